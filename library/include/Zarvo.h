/* SPDX-License-Identifier: MIT */
/* Zarvo: the printer link library. This header is its whole C ABI. With the environment variable
 * ZARVO_TRACE naming a file, every call appends a record of what it sent and received to it. */
#ifndef ZARVO_H
#define ZARVO_H

#include <stdint.h>

#ifdef _WIN32
#define ZARVO_CALL __stdcall
#ifdef ZARVO_BUILDING
/* Exported through the library's .def file, which gives the undecorated names (and ordinals);
   dllexport would add the decorated stdcall names as extra exports. */
#define ZARVO_API
#else
#define ZARVO_API __declspec(dllimport)
#endif
#else
#define ZARVO_CALL
#define ZARVO_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/** TXRX results. */
enum zarvo_txrx_result {
    ZARVO_WRITTEN = 0, /**< The frame was written; RespApf.txt holds the reply or the 99 reply. */
    ZARVO_WRITE_FAILED = -1, /**< The frame was not written; RespApf.txt holds the 98 reply. */
    ZARVO_LOG_FAILED = -2    /**< RespApf.txt could not be written; no stale copy is left behind. */
};

/** Abre's failure results that a caller can explain; each is the serial layer's own value. */
enum zarvo_open_result {
    ZARVO_PORT_NO_DEVICE = -4,     /**< The port's device does not exist. */
    ZARVO_PORT_NO_PERMISSION = -5, /**< The device exists but may not be opened (dialout group). */
    ZARVO_PORT_BUSY = -6,          /**< The device is in use by another port or another program. */
    ZARVO_PORT_OPEN_FAIL = -9,     /**< The device could not serve as a serial line. */
    ZARVO_PORT_BAD_PORTS_FILE = -10, /**< The user's ports file is damaged; no device is guessed. */
    ZARVO_PORT_ASSIGNED_GONE = -11   /**< The device the ports file assigns is not plugged in. */
};

/** Why RespApf.txt could not be written: the result of ZarvoReplyFileFailure. */
enum zarvo_reply_file_failure {
    ZARVO_REPLY_FILE_WRITTEN = 0,   /**< The latest TXRX wrote it, or no TXRX has run. */
    ZARVO_REPLY_FILE_LINK = 1,      /**< A symbolic link (or other reparse point) has its name. */
    ZARVO_REPLY_FILE_DIRECTORY = 2, /**< A directory has its name. */
    ZARVO_REPLY_FILE_NOT_PLAIN = 3, /**< A device, FIFO or socket has its name. */
    ZARVO_REPLY_FILE_READ_ONLY = 4, /**< The file is there and may not be written. */
    ZARVO_REPLY_FILE_DIRECTORY_READ_ONLY = 5, /**< The current directory takes no new file. */
    ZARVO_REPLY_FILE_DISK_FULL = 6, /**< No space is left on the disk, or in the user's quota. */
    ZARVO_REPLY_FILE_OTHER = 7      /**< Another failure; the system's error number tells it. */
};

/**
 * Open serial port @p port and set its line to 9600 bit/s, 8 data bits, no parity, 1 stop bit.
 * The line is set only when the open succeeded; a failure to set it is not reported.
 * @param[in] port the serial layer's port number, passed through unchanged.
 * @return the serial layer's open result, unchanged: 0 or above success, below 0 failure, among
 *         them the zarvo_open_result values (ZARVO_PORT_OPEN_FAIL also if the serial layer raised
 *         an exception).
 */
ZARVO_API int32_t ZARVO_CALL Abre(int32_t port);

/**
 * Close serial port @p port.
 * @return the serial layer's close result, unchanged (SIO_IO_ERROR, -8, if it raised an exception).
 */
ZARVO_API int32_t ZARVO_CALL Fecha(int32_t port);

/**
 * Send @p command in its frame on the open port @p port, wait up to @p timeout_s seconds for the
 * reply's closing "}", and write the outcome and CR LF as the one line of ./RespApf.txt.
 *
 * The frame is ESC, the command unchanged, two checksum bytes, "}". The outcome is the reply up to
 * and including its first "}" (bytes 0 dropped, later bytes left for the next call), or
 * ".-0001ERRO:         99}" when no "}" came within the timeout (a timeout of 0 or below still
 * reads once), or ".-0001ERRO:         98}" when the frame could not be written. The wait
 * blocks in the serial layer instead of polling; it does not use the CPU while the line is quiet.
 *
 * The line is written at the start of RespApf.txt, which is then cut to its length, so even a
 * process ended in between leaves the new outcome as the first line; a symbolic link in its
 * place is not followed, nor is anything but a plain file written. When it cannot
 * be created, written or closed, a message naming it and the reason goes to stderr, an earlier
 * RespApf.txt (or a link in its place, never the link's target) is removed where possible, and
 * the result is ZARVO_LOG_FAILED, whether or not the frame was written; ZarvoReplyFileFailure
 * then tells why.
 *
 * @param[in] command a counted text: the 4 bytes before it hold its length (int32, little-endian),
 *                    a NUL follows it; the length rules, so the text may hold 0 bytes. NULL is the
 *                    empty command. A negative length is malformed: nothing is read from the text
 *                    and it ends like a frame that could not be written. The text stays the
 *                    caller's; it is neither changed nor kept.
 * @return ZARVO_WRITTEN, ZARVO_WRITE_FAILED or ZARVO_LOG_FAILED. If memory runs out, the frame
 *         counts as not written, or, once written, the reply as not received.
 */
ZARVO_API int32_t ZARVO_CALL TXRX(int32_t port, int32_t timeout_s, const char *command);

/**
 * Wait up to @p timeout_s seconds on port @p port for a reply, without sending, by the same rules
 * as TXRX; RespApf.txt is not touched.
 * @param[out] reply receives a counted text: the reply up to its "}", or the 99 reply.
 *                   On Linux it is one malloc'ed block; release it with free((char *)*reply - 4).
 *                   The text the variable held before is not freed; it stays the caller's.
 *                   On Windows the variable is a string variable passed by reference (a BSTR):
 *                   the new text is made with SysAllocStringByteLen (8-bit characters, count
 *                   before, NUL after), the text the variable held is released with SysFreeString
 *                   (it must be a BSTR or NULL), and the caller releases the new one with
 *                   SysFreeString. If no memory can be had for the new text, *reply is left
 *                   unchanged. A NULL @p reply is ignored: nothing is read from the port.
 */
ZARVO_API void ZARVO_CALL RX(char **reply, int32_t port, int32_t timeout_s);

/**
 * Why the latest TXRX of this process could not write RespApf.txt, as it found when the write
 * failed (before it removed any earlier copy). The finding belongs to the process, not to a
 * thread, so TXRX may run on a worker thread and the caller ask from another; TXRX calls running
 * at once overwrite each other's finding. Exported at ordinal 5 on Windows.
 * @param[out] system_error when not NULL, receives the system's error number of the call that
 *                          failed (errno on Linux, GetLastError's value on Windows), or 0 when
 *                          the cause was seen under the name without a failed call.
 * @return a zarvo_reply_file_failure: ZARVO_REPLY_FILE_WRITTEN (and 0 in *system_error) when the
 *         latest TXRX wrote the file or none has run.
 */
ZARVO_API int32_t ZARVO_CALL ZarvoReplyFileFailure(int32_t *system_error);

#ifdef __cplusplus
}
#endif

#endif /* ZARVO_H */
