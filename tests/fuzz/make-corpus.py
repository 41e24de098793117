#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Writes the seed inputs of the fuzz harnesses into corpus/<harness>/.
# Run it again after changing an input layout; the files are committed.
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def put(harness, name, data):
    folder = os.path.join(HERE, "corpus", harness)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def le32(*values):
    return b"".join(struct.pack("<I", v & 0xFFFFFFFF) for v in values)


def frame(payload, length=None):
    return le32(len(payload) if length is None else length) + payload


# Frame reader: control byte (bit 0: 65536 + 4 limit, bits 1-3: send size), then the stream.
PIPE, RESPONSE = 0, 1
WHOLE, BYTEWISE, BY3, BY64 = 0 << 1, 1 << 1, 2 << 1, 5 << 1
open_message = le32(0, 0, 0, 0, 1)
put("frame_reader", "empty-stream", bytes([PIPE]))
put("frame_reader", "open-message", bytes([PIPE]) + frame(open_message))
put("frame_reader", "open-message-bytewise", bytes([PIPE | BYTEWISE]) + frame(open_message))
put("frame_reader", "empty-frame-then-frame", bytes([PIPE | BY3]) + frame(b"") + frame(b"\x31"))
put("frame_reader", "oversized-then-open", bytes([PIPE | BY64]) + frame(bytes(1025)) + frame(open_message))
put("frame_reader", "full-pipe-buffer", bytes([PIPE]) + frame(bytes(range(256)) * 4))
put("frame_reader", "meter-response", bytes([RESPONSE]) + frame(le32(0) + bytes(768)))
put("frame_reader", "largest-response", bytes([RESPONSE | BY64]) + frame(bytes(65540)))
put("frame_reader", "response-one-too-long", bytes([RESPONSE]) + frame(bytes(65541)) + frame(le32(122)))
put("frame_reader", "truncated-header", bytes([PIPE]) + b"\x14\x00")
put("frame_reader", "truncated-payload", bytes([PIPE]) + frame(b"0123456789", length=100))
put("frame_reader", "huge-length", bytes([RESPONSE]) + le32(0xFFFFFFFF) + b"abc")

# Request handler: flags, code, output capacity, elapsed ms, then the input.
PICK, QUIET, MIXER_PAD, KS1, SHORT_FW, SILENT = 1, 2, 4, 8, 16, 32


def code(function):
    return 0xFFDC0000 | (function << 2)


CODES = {
    "getSampleRate": code(0x808), "setSampleRate": code(0x80E), "writeMixerBlock": code(0x810),
    "setBufferSize": code(0x811), "getBufferSize": code(0x812), "getUsbLatency": code(0x813),
    "setUsbLatency": code(0x814), "readMeterData": code(0x81D), "stopAudio": code(0x81E),
    "initAudio": code(0x81F), "restartAudio": code(0x820), "getDevicePid": code(0x821),
    "setWdmChannelCount": code(0x822), "enableSlowMode": code(0x824), "disableSlowMode": code(0x825),
    "vendor": code(0x827), "transferVendorCommand": code(0x828), "getValue32": code(0x829),
    "setValue16": code(0x82B), "getValue16": code(0x82C), "setFlag8": code(0x82D), "getFlag8": code(0x82E),
}


def request(name, op, data=b"", capacity=0, flags=0, elapsed=1500):
    c = CODES[op] if isinstance(op, str) else op
    put("request_handler", name, bytes([flags]) + le32(c, capacity, elapsed) + data)


def vendor_frame(command, state=0, channel=0, level=None):
    body = bytearray(37)
    body[0], body[1] = 0x01, command
    body[3], body[4] = state, channel
    if level is not None:
        body[3] = 0x02
        body[5:7] = struct.pack("<H", level)
    return bytes(body)


request("get-sample-rate", "getSampleRate", capacity=4)
request("get-pid-no-room", "getDevicePid", capacity=0)
request("set-rate-48000", "setSampleRate", le32(48000))
request("set-rate-unsupported", "setSampleRate", le32(12345))
request("set-rate-short-input", "setSampleRate", b"\x80\xbb")
request("set-buffer-128", "setBufferSize", le32(128))
request("set-latency-8", "setUsbLatency", le32(8))
request("set-wdm-2", "setWdmChannelCount", le32(2))
request("enable-slow-mode", "enableSlowMode")
request("stop-audio", "stopAudio")
request("restart-audio", "restartAudio")
# Leading entries of matrix 0 only: the harness pads the rest of the block with zeros.
mixer = b"".join(struct.pack("<d", gain) for gain in (1.0, 0.5011872336272722, -1.0, math.inf, math.nan, 5e-324))
request("mixer-write", "writeMixerBlock", mixer, flags=MIXER_PAD)
request("mixer-write-quiet", "writeMixerBlock", mixer, flags=MIXER_PAD | QUIET)
request("mixer-write-short", "writeMixerBlock", mixer)
request("meters", "readMeterData", capacity=768, elapsed=500)
request("meters-ks1", "readMeterData", capacity=768, flags=KS1, elapsed=123456)
request("meters-silent", "readMeterData", capacity=768, flags=SILENT)
request("meters-no-room", "readMeterData", capacity=767)
request("vendor-48v-on", "vendor", vendor_frame(0x5B, state=1, channel=1))
request("vendor-pad-on", "vendor", vendor_frame(0x5A, state=1, channel=2))
request("vendor-instrument", "vendor", vendor_frame(0x64, state=1, channel=1))
request("vendor-mic-volume", "vendor", vendor_frame(0x07, channel=2, level=0x40))
request("vendor-out-volume", "vendor", vendor_frame(0x03, channel=1, level=100))
request("vendor-otg-on", "vendor", vendor_frame(0x5F))
request("vendor-otg-off", "vendor", vendor_frame(0x5E))
request("vendor-upgrade", "vendor", vendor_frame(0x60))
request("vendor-close-feedback", "vendor", vendor_frame(0x68))
request("vendor-unknown-command", "vendor", vendor_frame(0x99))
request("vendor-bad-first-byte", "vendor", b"\x02" + vendor_frame(0x5B)[1:])
request("vendor-short", "vendor", vendor_frame(0x5B, state=1)[:36])
request("vendor-long", "vendor", vendor_frame(0x5B, state=1) + b"\x00" * 300)
request("firmware", "transferVendorCommand", vendor_frame(0x65), capacity=32)
request("firmware-short-answer", "transferVendorCommand", vendor_frame(0x65), capacity=32, flags=SHORT_FW)
request("firmware-no-room", "transferVendorCommand", vendor_frame(0x65), capacity=8)
request("transfer-48v", "transferVendorCommand", vendor_frame(0x5B, state=1, channel=1), capacity=64)
request("set-value16", "setValue16", b"\x34\x12")
request("get-value16", "getValue16", capacity=2)
request("set-flag8", "setFlag8", b"\x01")
request("get-flag8", "getFlag8", capacity=1)
request("get-value32", "getValue32", capacity=1024)
request("unknown-code", 0x12345678, b"\x01\x02", capacity=16)
request("table-pick", 0, capacity=4, flags=PICK)

# ASIO message: the raw message bytes.
put("asio_message", "open-request", le32(0, 0, 0, 0, 1))
put("asio_message", "no-request", le32(48000, 256, 2, 2, 0))
put("asio_message", "partial-fifth-word", le32(1, 2, 3, 4, 1)[:17])
put("asio_message", "empty", b"")
put("asio_message", "full-buffer", le32(1, 2, 3, 4, 0x01000000) + bytes(1004))
put("asio_message", "oversized", le32(0, 0, 0, 0, 1) + b"\xff" * 1100)

# Control request: the byte stream of one connection (the first byte also sets the harness's chunk size).
put("control_request", "status", b'{"id":1,"cmd":"status"}\n')
put("control_request", "set-and-toggle",
    b'{"id":"a","cmd":"set","name":"mic1.gain","value":-20}\r\n{"cmd":"toggle","name":"mic1.48v"}\n')
put("control_request", "snapshot-load-content",
    b'{"id":[1],"cmd":"snapshot-load","content":"[Snapshot]\\nmodel=KS2\\nformat=1\\n"}\n')
put("control_request", "bad-lines", b'nonsense\n[1,2]\n{"cmd":3}\n{"cmd":"open","window":"x"}\n\n{"cmd":"watch"')
put("control_request", "too-long", b'{"cmd":"get","name":"' + b"x" * 65536 + b'"}\n{"cmd":"quit"}\n')
