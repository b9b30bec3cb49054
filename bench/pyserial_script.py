#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The printer exchanges done by a plain pyserial script: write the frame, read_until("}").

The benchmarks run it beside the link library over the same line, as the yardstick an exchange
is measured against.

  pyserial_script.py status DEVICE COUNT   COUNT exchanges of ".28"; prints the seconds each took
                                           and the reply's length, one line per exchange
  pyserial_script.py reading DEVICE CMD    a fiscal memory reading to LeitM.txt in the current
                                           directory, as the window makes it; prints its seconds
"""
import sys
import time

import serial

STATUS_TIMEOUT_S = 5
READING_TIMEOUT_S = 100


def frame(command: bytes) -> bytes:
    """ESC, the command, the checksum of the characters from the 4th on, "}"."""
    total = sum(command[3:]) & 0xFFFF

    def encode(byte: int) -> int:
        return byte if byte >= 0x80 else 255 - byte

    return b"\x1b" + command + bytes([encode(total & 0xFF), encode(total >> 8)]) + b"}"


def exchange(port: serial.Serial, command: bytes) -> bytes:
    port.write(frame(command))
    reply = port.read_until(b"}")
    if not reply.endswith(b"}"):
        sys.exit(f"pyserial_script: no reply to {command!r} in time")
    return reply


def status(port: serial.Serial, count: int) -> None:
    for _ in range(count):
        start = time.perf_counter()
        reply = exchange(port, b".28")
        print(f"{time.perf_counter() - start:.9f} {len(reply)}")


def reading(port: serial.Serial, command: bytes) -> None:
    """The block data of each reply (from the 7th character to the "}") as one CR LF line, until
    a reply with "]" as its 2nd character, which ends the reading."""
    start = time.perf_counter()
    with open("LeitM.txt", "wb") as saved:
        reply = exchange(port, command)
        while True:
            if reply[1:2] == b"-":
                sys.exit(f"pyserial_script: the printer refused: {reply!r}")
            saved.write(reply[6:-1] + b"\r\n")
            if reply[1:2] == b"]":
                break
            reply = exchange(port, b".++")
            if reply[1:2] == b"]":
                break
    print(f"{time.perf_counter() - start:.9f}")


def main() -> None:
    mode, device, argument = sys.argv[1:4]
    timeout = STATUS_TIMEOUT_S if mode == "status" else READING_TIMEOUT_S
    with serial.Serial(device, 9600, bytesize=8, parity="N", stopbits=1, timeout=timeout) as port:
        if mode == "status":
            status(port, int(argument))
        else:
            reading(port, argument.encode("latin-1"))


if __name__ == "__main__":
    main()
