#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Writes the seed inputs of the fuzz targets into corpus/<target>/ (run from anywhere)."""
import pathlib

HERE = pathlib.Path(__file__).resolve().parent


def crc16(data):
    reg = 0
    for b in data:
        reg ^= b << 8
        for _ in range(8):
            reg = ((reg << 1) ^ 0x1021) if reg & 0x8000 else (reg << 1)
            reg &= 0xFFFF
    return reg


def frame(msg_type, payload, sender=0x1234):
    body = bytes([msg_type & 0xFF, msg_type >> 8, sender & 0xFF, sender >> 8, len(payload)]) + payload
    crc = crc16(body)
    return b"\x55" + body + bytes([crc & 0xFF, crc >> 8])


def texts(*items):
    return b"".join(t.encode("latin-1") + b"\0" for t in items)


def receive(data):
    """Receive events of at most 0xEF bytes each (the receiver fuzzer's record format)."""
    out = b""
    for i in range(0, len(data), 0xEF):
        chunk = data[i:i + 0xEF]
        out += bytes([len(chunk)]) + chunk
    return out


FRAMING_ERROR = b"\xF0"
RESTART = b"\xFF"  # a change of line speed

heartbeat = frame(0xFFFF, b"\0\0\0\0")
read = frame(0x00A5, texts("solution", "elevation_mask", "10"))
write = frame(0x00AF, b"\0" + texts("uart1", "baudrate", "19200"))
refused = frame(0x00AF, b"\x02" + texts("ethernet", "ip_address", "192.168.0.222"))
long_read = frame(0x00A5, texts("s" * 80, "n" * 80, "v" * 92))
unknown = frame(0x1234, b"")

receiver = {
    "heartbeat": receive(heartbeat),
    "responses": receive(read + write + refused),
    "split": receive(read[:3]) + receive(read[3:20]) + receive(read[20:]),
    "noise-and-errors": receive(b"\x00\xa5\xff\x12" + heartbeat) + FRAMING_ERROR * 11
    + receive(unknown + heartbeat),
    "stray-preamble": receive(b"\x55\x01\x02\x03\x04\xc8" + heartbeat + b"\0" * 196 + write),
    "long-then-short": receive(long_read + frame(0x00A5, b"ab") + frame(0x00AF, b"")),
    "inside-false-frame": receive(b"\x55\x01\x02\x03\x04\xc8" + b"\0" * 40 + write + heartbeat
                                  + b"\0" * 180),
    "after-flood": receive(b"\x55" * 150 + heartbeat + b"\0" * 100),
    "restart": receive(read[:20]) + RESTART + receive(read[20:] + write),
}
for name, data in receiver.items():
    assert len(data) <= 512, name  # the fuzzer's input limit
for target, seeds in (("link_receiver_fuzz", receiver),):
    folder = HERE / "corpus" / target
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in seeds.items():
        (folder / name).write_bytes(data)
