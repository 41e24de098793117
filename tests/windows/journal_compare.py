#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Compares what the program sent to zelvoro-sim (its JSON-lines journal) with
what it sent to the test bus driver under Wine (testbus_control's journal):
the control codes and the input bytes, request by request.

  journal_compare.py SIM_JOURNAL TESTBUS_JOURNAL

Only what the program sends on its own account is compared. The meter reads
(every 500 ms) and the window's device watch (getDevicePid every 400 ms) run
on timers, so how many of them a run holds depends on timing; they are left
out after the first start, which is compared whole: every request from the
first one up to and including the firmware request that ends it. After it,
the remaining requests (polls left out) must match too. Prints one line per
difference; exits 1 when there is any.
"""

import difflib
import json
import struct
import sys
from collections import namedtuple

SET_SAMPLE_RATE = 0xFFDC2038
WRITE_MIXER_BLOCK = 0xFFDC2040
SET_BUFFER_SIZE = 0xFFDC2044
SET_USB_LATENCY = 0xFFDC2050
READ_METER_DATA = 0xFFDC2074
GET_DEVICE_PID = 0xFFDC2084
SET_WDM_CHANNEL_COUNT = 0xFFDC2088
SEND_VENDOR = 0xFFDC209C
TRANSFER_VENDOR = 0xFFDC20A0
SET_VALUE16 = 0xFFDC20AC
SET_FLAG8 = 0xFFDC20B4

MIXER_BYTES = 66304
FIRMWARE_COMMAND = 0x65

# data is None where the journal does not give the bytes (the sim leaves out
# frames longer than 256 bytes, and blocks of the wrong size).
Entry = namedtuple("Entry", "code in_len data status")


def read_testbus(path):
    entries = []
    with open(path) as f:
        for line in f:
            fields = line.split()
            code, in_len, _out_len, status, _returned = fields[:5]
            data = bytes.fromhex(fields[5]) if len(fields) > 5 else b""
            entries.append(Entry(int(code, 16), int(in_len), data if len(data) == int(in_len) else None,
                                 int(status)))
    return entries


def sim_input(record):
    """The input bytes of one sim journal record, rebuilt from its decoded fields."""
    code = int(record["code"], 16)
    size = record["in_len"]
    if size == 0:
        return b""
    if code in (SET_SAMPLE_RATE, SET_BUFFER_SIZE, SET_USB_LATENCY, SET_WDM_CHANNEL_COUNT) and "value" in record:
        return struct.pack("<I", record["value"] & 0xFFFFFFFF)
    if code == SET_VALUE16 and "value" in record:
        return struct.pack("<H", record["value"])
    if code == SET_FLAG8 and "value" in record:
        return bytes([record["value"]])
    if code == WRITE_MIXER_BLOCK and "entries" in record:
        gains = [0.0] * (MIXER_BYTES // 8)
        for index, gain in record["entries"].items():
            gains[int(index)] = float(gain)
        return struct.pack(f"<{len(gains)}d", *gains)
    if "frame" in record:
        return bytes.fromhex(record["frame"])
    return None


def read_sim(path):
    entries = []
    with open(path) as f:
        for line in f:
            record = json.loads(line)
            entries.append(Entry(int(record["code"], 16), record["in_len"], sim_input(record), record["status"]))
    return entries


def vendor_fields(entry):
    d = entry.data or b""
    return {"cmd": d[1] if len(d) > 1 else None, "state": d[3] if len(d) > 3 else None,
            "channel": d[4] if len(d) > 4 else None, "level": d[5] | d[6] << 8 if len(d) > 6 else None}


def is_firmware_request(entry):
    return entry.code == TRANSFER_VENDOR and entry.data is not None and len(entry.data) > 1 and \
        entry.data[1] == FIRMWARE_COMMAND


def first_start(entries):
    """From the first request to the first firmware request, meter reads left out."""
    sequence = []
    for entry in entries:
        if entry.code == READ_METER_DATA:
            continue
        sequence.append(entry)
        if is_firmware_request(entry):
            break
    return sequence


def after_first_start(entries):
    start = len(first_start(entries))
    rest = [e for e in entries if e.code != READ_METER_DATA][start:]
    return [e for e in rest if e.code != GET_DEVICE_PID]


def describe(entry):
    name = {SET_SAMPLE_RATE: "setSampleRate", WRITE_MIXER_BLOCK: "writeMixerBlock",
            SET_BUFFER_SIZE: "setBufferSize", SET_USB_LATENCY: "setUsbLatency", READ_METER_DATA: "readMeterData",
            GET_DEVICE_PID: "getDevicePid", SET_WDM_CHANNEL_COUNT: "setWdmChannelCount",
            SEND_VENDOR: "vendor", TRANSFER_VENDOR: "transferVendorCommand"}.get(entry.code, "")
    text = f"0x{entry.code:08X} {name} in_len {entry.in_len} status {entry.status}"
    if entry.data is None:
        return text + " (bytes not journalled)"
    if entry.code == WRITE_MIXER_BLOCK and len(entry.data) == MIXER_BYTES:
        gains = struct.unpack(f"<{MIXER_BYTES // 8}d", entry.data)
        nonzero = {i: g for i, g in enumerate(gains) if g != 0.0}
        return text + f" {len(nonzero)} non-zero gains"
    return text + (" " + entry.data.hex() if entry.data else "")


def first_byte_difference(a, b):
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return i
    return min(len(a), len(b))


def key(entry):
    return entry.code, entry.in_len, entry.data


def compare_sequences(what, linux, windows):
    """Aligns the two sequences, so that one missing request is one difference."""
    differences = []
    matcher = difflib.SequenceMatcher(None, [key(e) for e in linux], [key(e) for e in windows], autojunk=False)
    for tag, i1, i2, j1, j2 in matcher.get_opcodes():
        if tag == "equal":
            continue
        meaning = {"delete": "sent only on Linux", "insert": "sent only on Windows", "replace": "sent differently"}
        line = f"{what}, Linux request {i1 + 1}, Windows request {j1 + 1}: {meaning[tag]}"
        line += "".join(f"\n  Linux:   {describe(e)}" for e in linux[i1:i2])
        line += "".join(f"\n  Windows: {describe(e)}" for e in windows[j1:j2])
        if tag == "replace" and i2 - i1 == 1 and j2 - j1 == 1 and linux[i1].code == windows[j1].code and \
                linux[i1].data is not None and windows[j1].data is not None:
            line += f"\n  first differing input byte at offset {first_byte_difference(linux[i1].data, windows[j1].data)}"
        differences.append(line)
    return differences


def compare(linux, windows):
    """Lines describing each difference; empty when the program sent the same."""
    differences = []
    linux_start, windows_start = first_start(linux), first_start(windows)
    if not linux_start or not is_firmware_request(linux_start[-1]):
        differences.append("the Linux journal holds no complete first start (no firmware request)")
    if not windows_start or not is_firmware_request(windows_start[-1]):
        differences.append("the Windows journal holds no complete first start (no firmware request)")
    differences += compare_sequences("first start", linux_start, windows_start)
    differences += compare_sequences("after the first start", after_first_start(linux), after_first_start(windows))
    return differences


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    linux, windows = read_sim(sys.argv[1]), read_testbus(sys.argv[2])
    differences = compare(linux, windows)
    for line in differences:
        print(line)
    if not differences:
        print(f"same {len(first_start(linux))} first-start requests on both platforms")
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
