/* SPDX-License-Identifier: MIT */
/* API232: the serial-port layer under the printer link library. This header is its whole C ABI. */
#ifndef API232_H
#define API232_H

#include <stdint.h>

#ifdef _WIN32
#define API232_CALL __stdcall
#if defined(API232_BUILDING) || defined(API232_NO_DLLIMPORT)
/* Exported through the library's .def file, which gives the undecorated names (and ordinals);
   dllexport would add the decorated stdcall names as extra exports. API232_NO_DLLIMPORT: calls
   go through the import library's stubs, so the same objects also link with a test's own sio_
   functions. */
#define API232_API
#else
#define API232_API __declspec(dllimport)
#endif
#else
#define API232_CALL
#define API232_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/**
 * Results. 0 or above is success; every failure is one of these negative codes.
 */
enum sio_result {
    SIO_OK = 0,
    /** Success with a reservation (sio_assign): the ports file says what was asked, but the
        environment variable API232_PORT<port> is set and not empty, so the port keeps opening
        the device the variable names for as long as it stays set. sio_error_text gives the
        variable and its value, as "API232_PORT1=/dev/ttyUSB3". */
    SIO_OVERRIDDEN = 1,
    SIO_BADPORT = -1,       /**< Port number outside 1..255. */
    SIO_NOT_OPEN = -2,      /**< The port is not open (close, ioctl, write, getch, wait). */
    SIO_ALREADY_OPEN = -3,  /**< This port number is already open in this process. */
    SIO_NO_DEVICE = -4,     /**< The port's device does not exist. */
    SIO_NO_PERMISSION = -5, /**< The device exists but may not be opened (see the dialout group),
                                 or its setting changed (administrator rights are needed). */
    SIO_BUSY = -6,          /**< The device is in use by another port or another program. */
    SIO_BAD_PARAM = -7,     /**< Unknown speed or format code, or a bad buffer or length. */
    SIO_IO_ERROR = -8,      /**< Reading or writing failed; the device may be gone. */
    SIO_OPEN_FAIL = -9,     /**< The device could not serve as a serial line for another reason. */
    SIO_BAD_PORTS_FILE = -10, /**< The ports file cannot be read, or a line of it is damaged. */
    SIO_ASSIGNED_GONE = -11,  /**< The device the ports file assigns to the port is not present. */
    SIO_CANNOT_LIST = -12,    /**< The system would not tell which serial devices are present. */
    SIO_CANNOT_SAVE = -13,    /**< The ports file, or an adapter's setting, could not be written. */
    SIO_GONE = -14,         /**< The device is gone for good (hung up, unplugged): no byte can come
                                 any more. Close the port; a later open may find the device again. */
    SIO_NOT_SUPPORTED = -15 /**< The device, or this system, has no such setting. */
};

/** Speed code for 9600 bit/s, the only speed the printer speaks. */
#define SIO_B9600 12
/** Character-format code for 8 data bits, no parity, 1 stop bit. */
#define SIO_8N1 3

/**
 * Open port @p port for exclusive use, as a raw line (no echo, no translation, no flow control).
 * Port n is the device named by the environment variable API232_PORT<n> when that is set and not
 * empty; else the device the ports file assigns to n (see sio_assign); else /dev/ttyS<n-1>
 * (Windows: COMn). The ports file is read at every open. A device open under another port number,
 * or held by another process, gives SIO_BUSY.
 * @return SIO_OK, or SIO_BADPORT, SIO_ALREADY_OPEN, SIO_NO_DEVICE, SIO_NO_PERMISSION, SIO_BUSY,
 *         SIO_OPEN_FAIL, SIO_BAD_PORTS_FILE (damaged or unreadable ports file, and no
 *         API232_PORT<n>: no device is guessed), SIO_ASSIGNED_GONE (the assigned device is not
 *         plugged in; the default device is not tried in its place).
 */
API232_API int32_t API232_CALL sio_open(int32_t port);

/**
 * Set the line of an open port.
 * @param[in] speed  speed code; SIO_B9600 (12) is 9600 bit/s.
 * @param[in] format character-format code; SIO_8N1 (3) is 8 data bits, no parity, 1 stop bit.
 * @return SIO_OK, or SIO_BADPORT, SIO_NOT_OPEN, SIO_BAD_PARAM (unknown code), SIO_IO_ERROR.
 */
API232_API int32_t API232_CALL sio_ioctl(int32_t port, int32_t speed, int32_t format);

/**
 * Hand @p len bytes at @p buf to the line in one call; returns when they are all written.
 * Never blocks for ever: a line that takes nothing for 2 s beyond the time needed to send what
 * the driver already holds gives SIO_IO_ERROR (some bytes may then have gone out).
 * @return the number of bytes written (0 or above), or SIO_BADPORT, SIO_NOT_OPEN, SIO_BAD_PARAM
 *         (null buffer or negative length), SIO_IO_ERROR, SIO_GONE (at once on a port whose device
 *         is gone).
 */
API232_API int32_t API232_CALL sio_write(int32_t port, const char *buf, int32_t len);

/**
 * Take the next received byte without waiting. Received bytes wait, in order, until taken or
 * until the port is closed.
 * @return the byte (1 to 255); 0 when nothing is waiting or the byte received was 0;
 *         SIO_BADPORT, SIO_NOT_OPEN or SIO_IO_ERROR on failure; SIO_GONE once the device is gone
 *         for good and every byte received before is taken.
 */
API232_API int32_t API232_CALL sio_getch(int32_t port);

/**
 * Close an open port; input not yet taken, also what the driver still holds, is discarded.
 * @return SIO_OK, or SIO_BADPORT, SIO_NOT_OPEN.
 */
API232_API int32_t API232_CALL sio_close(int32_t port);

/**
 * Block until input is waiting on an open port, or @p ms milliseconds have passed. Returns at
 * once when input is already waiting; sleeps rather than spins; a negative @p ms counts as 0.
 * @return the number of bytes waiting (above 0), 0 when the time passed, or SIO_BADPORT,
 * SIO_NOT_OPEN, SIO_IO_ERROR (the device failed, perhaps for once), SIO_GONE (the system reports
 * the device gone for good: it hung up, or its node or handle is gone; returned at once, with no
 * wait, and again by every later call but sio_close).
 */
API232_API int32_t API232_CALL sio_wait(int32_t port, int32_t ms);

/** What a listed device is: a USB adapter or device, a UART of the machine, or something else. */
enum sio_device_kind { SIO_KIND_OTHER = 0, SIO_KIND_USB = 1, SIO_KIND_UART = 2 };

/**
 * One serial device present, as sio_list gives it. A fixed layout for callers in any language:
 * four 32-bit integers, then NUL-terminated UTF-8 texts in fixed-size fields (1168 bytes in all,
 * no padding). A text too long for its field is cut at a character boundary.
 */
struct sio_device {
    /** One of enum sio_device_kind. */
    int32_t kind;
    /** The port number that opens this device now; 0 when none does; -1 when a damaged ports
        file keeps that from being known. */
    int32_t port;
    /** USB vendor id (0x0403 is FTDI), -1 when not known. */
    int32_t vendor_id;
    /** USB product id, -1 when not known. */
    int32_t product_id;
    /** The name to open: "/dev/ttyUSB0", "COM3". */
    char device[256];
    /** A name that survives re-plugging ("/dev/serial/by-id/..."), or "". */
    char stable_name[256];
    /** What the system calls it: "FTDI FT232R USB UART", a friendly name. */
    char description[256];
    /** USB maker, or "". */
    char manufacturer[128];
    /** USB product, or "". */
    char product[128];
    /** USB serial number, or "". */
    char serial_number[128];
};

/**
 * List the serial devices present, without opening any of them. Placeholders with no UART behind
 * them (the ttyS nodes many PCs have) are left out. Devices come in name order. When a damaged
 * ports file keeps the port numbers from being known, they are -1 and sio_error_text tells why.
 * @param[out] devices  room for @p capacity entries; the first min(count, capacity) are filled.
 *                      May be NULL when @p capacity is 0, to ask for the count alone.
 * @param[in] capacity  the number of entries @p devices can hold.
 * @return the number of devices present (which may exceed @p capacity: call again with more
 *         room), or SIO_BAD_PARAM (negative capacity, NULL devices with a capacity),
 *         SIO_CANNOT_LIST.
 */
API232_API int32_t API232_CALL sio_list(struct sio_device *devices, int32_t capacity);

/**
 * Assign @p device to port @p port in the ports file of the user, so that sio_open(port) opens it
 * from now on (unless API232_PORT<port> is set). A listed device that has a stable name is
 * recorded by that name. A NULL or empty @p device removes the assignment. The file keeps its
 * other lines and is replaced in one step: a crash leaves the old file or the new one. The file is
 * $XDG_CONFIG_HOME/zarvo/ports (else ~/.config/zarvo/ports); on Windows %APPDATA%\zarvo\ports.
 * @return SIO_OK; SIO_OVERRIDDEN when the file was changed (or had nothing to remove) but
 *         API232_PORT<port> is set, which sio_open takes first; or SIO_BADPORT, SIO_BAD_PARAM (a
 *         line break in @p device), SIO_NO_DEVICE (no such device), SIO_BAD_PORTS_FILE (the file is
 *         damaged: it is left as it is), SIO_CANNOT_SAVE.
 */
API232_API int32_t API232_CALL sio_assign(int32_t port, const char *device);

/**
 * Copy the line that tells a technician which device @p device is, as sio_list gave it: UTF-8, in
 * Portuguese, cut to fit and NUL-terminated, the same in every program. The device's name comes
 * first, then its maker, product, USB ids and serial number, each said once, and the adapter's
 * latency timer where it is known and above 1 ms:
 * "COM12 — FTDI USB Serial Port (0403:6001), nº de série A1B2C3D4, latência 16 ms",
 * "/dev/ttyS0 — porta serial do computador". Which port number opens it is not part of the line.
 * @param[out] text  room for @p size bytes; may be NULL when @p size is 0.
 * @return the line's whole length in bytes without the NUL, or SIO_BAD_PARAM (NULL @p device,
 *         negative @p size, NULL @p text with a size).
 */
API232_API int32_t API232_CALL sio_describe(const struct sio_device *device, char *text,
                                            int32_t size);

/**
 * Read the latency timer of the USB adapter @p device ("COM12", "/dev/ttyUSB0"): how long the
 * adapter holds the last bytes of a reply before it passes them on (16 ms by default on FTDI
 * chips). Nothing is opened. On Linux the serial layer asks the driver for 1 ms while it holds
 * the port, whatever this reads.
 * @return the latency in milliseconds (1 to 255), or SIO_BAD_PARAM (NULL @p device),
 *         SIO_NO_DEVICE (no such device is present), SIO_NOT_SUPPORTED (the device has no latency
 *         timer, or this system does not tell it), SIO_CANNOT_LIST.
 */
API232_API int32_t API232_CALL sio_latency(const char *device);

/**
 * Set the latency timer of the USB adapter @p device to @p ms milliseconds, for good: on Windows
 * it is the driver's setting for that adapter, which needs administrator rights and takes effect
 * once the adapter is unplugged and plugged in again. Nothing is opened.
 * @return SIO_OK, or SIO_BAD_PARAM (NULL @p device, @p ms outside 1..255), SIO_NO_DEVICE,
 *         SIO_NO_PERMISSION (administrator rights are needed: nothing was changed),
 *         SIO_NOT_SUPPORTED (the device has no latency timer, or this system keeps no such
 *         setting: on Linux the serial layer asks for 1 ms at every open), SIO_CANNOT_LIST,
 *         SIO_CANNOT_SAVE.
 */
API232_API int32_t API232_CALL sio_set_latency(const char *device, int32_t ms);

/**
 * Copy the explanation of the calling thread's last failed sio_ call, in Portuguese (the port,
 * the device or file concerned and the system's reason, in the system's own words), or the note of
 * a later sio_assign that returned SIO_OVERRIDDEN: UTF-8, cut to fit and NUL-terminated.
 * @param[out] text  room for @p size bytes; may be NULL when @p size is 0.
 * @return the explanation's whole length in bytes without the NUL ("" and 0 when no call failed
 *         yet), or SIO_BAD_PARAM.
 */
API232_API int32_t API232_CALL sio_error_text(char *text, int32_t size);

#ifdef __cplusplus
}
#endif

#endif /* API232_H */
