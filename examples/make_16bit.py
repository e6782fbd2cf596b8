#!/usr/bin/env python3
"""Writes the HEX files of the 16-bit examples (PIC24FJ64GA002, PIC24F16KA102,
dsPIC30F4011), which gputils cannot assemble.

Each example is the same blink loop, encoded here by a tiny assembler for
the handful of instructions it needs, plus the regions its part has:
configuration words, data EEPROM and the unit ID. The files are laid out the
way the 16-bit compilers write them:

  * byte address = 2 x program address; every 24-bit instruction takes four
    bytes: low, middle and high byte, then a phantom byte 0x00;
  * an extended linear address record opens every 64 KiB segment, in
    ascending order: 0x0000 program memory, 0x00FF data EEPROM
    (program 0x7F8000 and up), 0x0100 auxiliary area / unit ID
    (program 0x800000), 0x01F0 configuration registers (program 0xF80000);
  * data records of at most 16 bytes that never cross a 16-byte boundary,
    upper-case hexadecimal, LF line ends, and the end record.

Usage: make_16bit.py [OUTPUT_FOLDER]   (default: the folder of this script)
The result is deterministic; tests/examples re-runs it and compares.
"""

import os
import sys

# ---- a tiny assembler for the blink loop ------------------------------------

W15 = 15


def mov_lit(lit16, wd):
    """MOV #lit16, Wd: 0010 kkkk kkkk kkkk kkkk dddd"""
    return 0x200000 | (lit16 & 0xFFFF) << 4 | wd


def mov_w_to_f(ws, f):
    """MOV Ws, f (word): 1000 1fff ffff ffff ffff ssss, f word aligned"""
    return 0x880000 | (f >> 1) << 4 | ws


def clr_f(f):
    """CLR f (word, result to f): 1110 1111 0BDf ffff ffff ffff"""
    return 0xEF2000 | f


def inc_f(f):
    """INC f (word, result to f): 1110 1100 0BDf ffff ffff ffff"""
    return 0xEC2000 | f


def dec_w(ws, wd):
    """DEC Ws, Wd (word, direct): 1110 1001 0Bqq qddd dppp ssss"""
    return 0xE90000 | wd << 7 | ws


def bra(cond, here, target):
    """BRA [cond,] target: 0011 cccc nnnn nnnn nnnn nnnn,
    target = here + 2 + 2 * n"""
    n = (target - (here + 2)) // 2
    return 0x300000 | cond << 16 | (n & 0xFFFF)


BRA_NZ = 0xA
BRA_ALWAYS = 0x7


def goto(target):
    """GOTO target: two words, 0000 0100 nnnn nnnn nnnn nnn0 then the
    upper seven address bits"""
    return [0x040000 | (target & 0xFFFE), (target >> 16) & 0x7F]


def blink(origin, sfr):
    """The blink loop at program address `origin`: digital pins, PORTB
    outputs, then LATB incremented (RB0 toggles) after each delay.
    Returns {program address: instruction}."""
    code = []
    code.append(mov_lit(0x0800, W15))            # stack at the start of RAM
    code.append(mov_lit(0xFFFF, 0))
    code.append(mov_w_to_f(0, sfr["ADPCFG"]))   # every analog pin digital
    code.append(clr_f(sfr["TRISB"]))             # PORTB outputs
    code.append(clr_f(sfr["LATB"]))
    loop = origin + 2 * len(code)
    code.append(inc_f(sfr["LATB"]))              # RB0 toggles every pass
    code.append(mov_lit(0xFFFF, 1))
    delay = origin + 2 * len(code)
    code.append(dec_w(1, 1))
    here = origin + 2 * len(code)
    code.append(bra(BRA_NZ, here, delay))
    here = origin + 2 * len(code)
    code.append(bra(BRA_ALWAYS, here, loop))
    words = {}
    for i, instruction in enumerate(goto(origin)):
        words[2 * i] = instruction                # reset vector
    for i, instruction in enumerate(code):
        words[origin + 2 * i] = instruction
    return words


# ---- file layout ------------------------------------------------------------


def put_instructions(image, words):
    """24-bit instructions at program addresses: four bytes each at byte
    address 2 x program address, the fourth the phantom byte 0x00."""
    for address, word in words.items():
        base = 2 * address
        image[base] = word & 0xFF
        image[base + 1] = (word >> 8) & 0xFF
        image[base + 2] = (word >> 16) & 0xFF
        image[base + 3] = 0x00


def put_data_words(image, start, values):
    """16-bit data words (EEPROM, configuration registers) from program
    address `start`: low byte, high byte, then two zero bytes."""
    put_instructions(image, {start + 2 * i: v & 0xFFFF for i, v in enumerate(values)})


def record(count, address, kind, data):
    body = [count, (address >> 8) & 0xFF, address & 0xFF, kind] + list(data)
    checksum = (-sum(body)) & 0xFF
    return ":" + "".join("%02X" % b for b in body) + "%02X" % checksum


def intel_hex(image):
    """Intel HEX text of a {byte address: value} image."""
    lines = []
    segment = None
    addresses = sorted(image)
    i = 0
    while i < len(addresses):
        start = addresses[i]
        run = [image[start]]
        i += 1
        # Extend while contiguous, within the 16-byte line and the segment.
        while (i < len(addresses) and addresses[i] == start + len(run)
               and (start + len(run)) % 16 != 0):
            run.append(image[addresses[i]])
            i += 1
        if start >> 16 != segment:
            segment = start >> 16
            lines.append(record(2, 0, 4, [segment >> 8, segment & 0xFF]))
        lines.append(record(len(run), start & 0xFFFF, 0, run))
    lines.append(":00000001FF")
    return "\n".join(lines) + "\n"


# ---- the three parts --------------------------------------------------------


def pic24fj64ga002():
    """64 KiB of flash: 22,016 instructions, program addresses
    0x000000-0x00ABFE. The two configuration words are the last two
    instructions (CW2 at 0x00ABFC, CW1 at 0x00ABFE). No data EEPROM."""
    sfr = {"TRISB": 0x02C8, "LATB": 0x02CC, "ADPCFG": 0x032C}
    image = {}
    put_instructions(image, blink(0x000200, sfr))
    # CW2: internal FRC oscillator, RA3 as port pin; CW1: watchdog, JTAG
    # and code protection off, debugger off (bit 11 set).
    put_instructions(image, {0x00ABFC: 0x00F9DF, 0x00ABFE: 0x003F7F})
    return image


def pic24f16ka102():
    """16 KiB of flash: 5,632 instructions, program addresses
    0x000000-0x002BFE. Data EEPROM of 512 bytes at 0x7FFE00-0x7FFFFF.
    Nine configuration registers of 8 bits, one per instruction word,
    at 0xF80000-0xF80010 (FBS, reserved, FGS, FOSCSEL, FOSC, FWDT, FPOR,
    FICD, FDS)."""
    sfr = {"TRISB": 0x02C8, "LATB": 0x02CC, "ADPCFG": 0x032C}
    image = {}
    put_instructions(image, blink(0x000200, sfr))
    put_data_words(image, 0x7FFE00, [0x6556, 0x6D6C, 0x7261, 0x2400, 0x1234, 0xABCD])
    # The debugger is off: bit 7 of FICD (the eighth register) is set.
    put_data_words(image, 0xF80000, [0x0F, 0xFF, 0x03, 0x87, 0xDB, 0x5F, 0xFB, 0xC3, 0xDF])
    return image


def dspic30f4011():
    """48 KiB of flash: 16,384 instructions, program addresses
    0x000000-0x007FFE. Data EEPROM of 1,024 bytes at 0x7FFC00-0x7FFFFE.
    Unit ID at 0x8005C0. Seven 16-bit configuration registers at
    0xF80000-0xF8000C (FOSC, FWDT, FBORPOR, FBS, FSS, FGS, FICD)."""
    sfr = {"TRISB": 0x02C6, "LATB": 0x02CA, "ADPCFG": 0x02A8}
    image = {}
    put_instructions(image, blink(0x000100, sfr))
    put_data_words(image, 0x7FFC00, [0x6556, 0x6D6C, 0x7261, 0x3033, 0x0102, 0x0304, 0x0506, 0x0708])
    put_instructions(image, {0x8005C0: 0x000030, 0x8005C2: 0x000034,
                             0x8005C4: 0x000030, 0x8005C6: 0x000031})
    put_data_words(image, 0xF80000, [0xC100, 0x003F, 0x87B3, 0x310F, 0x330F, 0x0007, 0xC003])
    return image


EXAMPLES = {
    "pic24fj64ga002": pic24fj64ga002,
    "pic24f16ka102": pic24f16ka102,
    "dspic30f4011": dspic30f4011,
}


def main(argv):
    out = argv[1] if len(argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for folder, make in EXAMPLES.items():
        path = os.path.join(out, folder)
        os.makedirs(path, exist_ok=True)
        with open(os.path.join(path, "blink.hex"), "w", newline="\n") as f:
            f.write(intel_hex(make()))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
