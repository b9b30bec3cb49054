/* SPDX-License-Identifier: MIT */
/* A scriptable double of the link library: its calls and the functions that steer it. */
#ifndef FAKE_ZARVO_H
#define FAKE_ZARVO_H

#include <stdint.h>

#define FAKE_ZARVO_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/** One call received by the double, in the order received. */
struct fake_call {
    char function[8]; /**< "Abre", "Fecha" or "TXRX". */
    int32_t port;
    int32_t timeout_s; /**< TXRX only, else 0. */
    int32_t count;     /**< TXRX only: the count in the 4 bytes before the command. */
    int32_t nul_after; /**< TXRX only: 1 when a NUL follows the counted bytes. */
    char command[256]; /**< TXRX only: the counted bytes (at most 255 kept), then a NUL. */
};

/** Forgets the script, the calls and every result set; the delay returns to 0. */
FAKE_ZARVO_API void fake_reset(void);

/** The result that Abre (or Fecha) returns for @p port from now on; 0 for ports not set. */
FAKE_ZARVO_API void fake_set_abre_result(int32_t port, int32_t result);
FAKE_ZARVO_API void fake_set_fecha_result(int32_t port, int32_t result);

/**
 * Queues what the next unscripted TXRX does: write @p length bytes of @p bytes as the whole of
 * ./RespApf.txt (NULL leaves the file as it is, neither written nor removed) and return @p result.
 * With the queue empty TXRX writes the timeout reply ".-0001ERRO:         99}" CR LF and returns 0.
 */
FAKE_ZARVO_API void fake_push_txrx(const char *bytes, int32_t length, int32_t result);

/** Queues a reply written as the printer's would be: @p reply (NUL-terminated), CR LF; result 0. */
FAKE_ZARVO_API void fake_push_reply(const char *reply);

/** Makes every TXRX wait @p ms milliseconds before it writes the reply file. */
FAKE_ZARVO_API void fake_set_txrx_delay_ms(int32_t ms);

/** 1 while a TXRX call is inside its delay, else 0. */
FAKE_ZARVO_API int32_t fake_txrx_in_progress(void);

/** The number of calls received since the last reset, and call @p index of them (0 on success). */
FAKE_ZARVO_API int32_t fake_call_count(void);
FAKE_ZARVO_API int32_t fake_get_call(int32_t index, struct fake_call *out);

#ifdef __cplusplus
}
#endif

#endif /* FAKE_ZARVO_H */
