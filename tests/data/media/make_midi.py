#!/usr/bin/env python3
"""Writes the MIDI test clips: a short tune as a standard MIDI file and the same data wrapped
in a RIFF RMID file. Usage: make_midi.py <out.mid> <out.rmi>"""
import struct
import sys


def var_len(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, 0x80 | (value & 0x7F))
        value >>= 7
    return bytes(out)


def midi_file():
    ticks_per_quarter = 480
    events = bytearray()
    # Tempo 120 bpm (500000 us per quarter): a quarter note lasts 0.5 s.
    events += var_len(0) + b"\xFF\x51\x03" + (500000).to_bytes(3, "big")
    events += var_len(0) + b"\xC0\x00"  # program: acoustic grand piano
    notes = [60, 62, 64, 65, 67, 65]  # six quarter notes: 3 s
    for note in notes:
        events += var_len(0) + bytes([0x90, note, 100])
        events += var_len(ticks_per_quarter) + bytes([0x80, note, 0])
    events += var_len(0) + b"\xFF\x2F\x00"
    header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, ticks_per_quarter)
    track = b"MTrk" + struct.pack(">I", len(events)) + bytes(events)
    return header + track


def rmi_file(smf):
    data = b"data" + struct.pack("<I", len(smf)) + smf
    if len(smf) % 2:
        data += b"\x00"  # RIFF chunks are padded to an even length
    body = b"RMID" + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def main():
    smf = midi_file()
    with open(sys.argv[1], "wb") as f:
        f.write(smf)
    with open(sys.argv[2], "wb") as f:
        f.write(rmi_file(smf))


if __name__ == "__main__":
    main()
