#!/usr/bin/env python3
"""Writes data/DEVICES.INI and the device list of docs/DEVICES.md.

Every device comes from tools/devices/parts.csv, which lists each part with
the manufacturer's programming guide that covers it (a DS number),
its device identifier, memory sizes, write latches and programming times as
that guide gives them. A part is shipped when its guide is
one whose algorithm the slot format has (ALGORITHMS below); everything a
guide leaves to the part comes from gputils where gputils knows the
part:

  - program and data memory sizes from its linker scripts (lkr/*_g.lkr);
  - PIC18 configuration masks and defaults from its configuration database
    (`gpasm -s -p<part>`: the implemented bits and the unprogrammed value of
    every configuration byte).

Parts gputils does not know (K40, PIC24, dsPIC30) take their sizes from the
parts table and their masks from the datasheet constants below. Parts left
out are listed, with the reason, in LEFT_OUT. Run it from the repository
root: python3 scripts/make-devices-ini.py [--check]
(--check writes nothing and fails when the shipped files are not what the
tables give.)
"""
import csv
import math
import os
import re
import subprocess
import sys

GPUTILS = "/usr/share/gputils"
HERE = os.path.dirname(os.path.abspath(__file__))
PARTS = os.path.join(HERE, "..", "tools", "devices", "parts.csv")

# One entry per programming guide whose algorithm the slot format
# has. Family: the device list family; the rest are the header values every
# part of that guide shares (times are the guide's longest,
# rounded up: ProgTime in ms, EraseTime in 10 ms; where parts.csv gives a
# part's own time, the longer one is used).
ALGORITHMS = {
    # PIC18F
    "DS39576": dict(family="PIC18F", Type="A", EraseCMD="8000", ProgTime=2, EraseTime=1),
    "DS39592": dict(family="PIC18F", Type="B", EraseCMD="8F3F", ProgTime=1, EraseTime=1),
    "DS39622": dict(family="PIC18F", Type="B", EraseCMD="8F3F", ProgTime=1, EraseTime=1),
    # PIC18 K
    "DS41398": dict(family="PIC18K", Type="K22", EraseCMD="8F0F", ProgTime=1, EraseTime=2),
    "DS39972": dict(family="PIC18K", Type="K80", EraseCMD="8F0F", ProgTime=1, EraseTime=2),
    "DS40001772": dict(family="PIC18K", Type="K40", EraseCMD="0000", ProgTime=1, EraseTime=2),
    # Guides with the DS41398 commands, 9 V VDD-first entry and erase keys
    # (Open Programmer's device table programs them all alike, only the
    # write buffer differing). DS41297, DS41357 and DS41342 enter low-voltage
    # programming by the PGM pin, not by the key of DS41398, so they are
    # programmed with VPP only; the DS41297 parts run at 1.8 to 3.6 V.
    "DS41630": dict(family="PIC18K", Type="K22", EraseCMD="8F0F", ProgTime=1, EraseTime=2),
    "DS41297": dict(family="PIC18K", Type="K22", EraseCMD="8F0F", ProgTime=1, EraseTime=2, noLVP=1, is3Vonly=1),
    "DS41357": dict(family="PIC18K", Type="K22", EraseCMD="8F0F", ProgTime=1, EraseTime=2, noLVP=1),
    "DS41342": dict(family="PIC18K", Type="K22", EraseCMD="8F0F", ProgTime=1, EraseTime=2, noLVP=1),
    # PIC18 J
    "DS39687": dict(family="PIC18J", Type="J", EraseCMD="8001", ProgTime=2, EraseTime=48),
    # The 64- to 100-pin J parts: the same key entry, erase keys and 64-byte
    # rows (Open Programmer's device table); their times come per part.
    "DS39644": dict(family="PIC18J", Type="J", EraseCMD="8001", ProgTime=2, EraseTime=48),
    "DS39688": dict(family="PIC18J", Type="J", EraseCMD="8001", ProgTime=2, EraseTime=48),
    # PIC12/16: the Column algorithm
    "DS30262": dict(family="PIC16", Column=0),
    "DS41191": dict(family="PIC16", Column=1),
    "DS30324": dict(family="PIC16", Column=2),
    "DS41196": dict(family="PIC16", Column=3),
    "DS39589": dict(family="PIC16", Column=4),
    "DS39607": dict(family="PIC16", Column=5),
    "DS39603": dict(family="PIC16", Column=5),
    "DS41204": dict(family="PIC16", Column=6),
    # PIC16F91x/946 and PIC16F785: the commands, memory map and two
    # calibration words of the DS41204 parts PIC12F635/PIC16F636. Microchip's
    # PICkit 2 device file programs them with exactly those parts' scripts
    # (erase, write, configuration, calibration, data EEPROM), the
    # PIC16F916/917/946 only writing 8 words a step to their 8 latches, and
    # Open Programmer programs them with the same routine; the algorithm
    # writes one word a step.
    "DS41244": dict(family="PIC16", Column=6),
    "DS41237": dict(family="PIC16", Column=6),
    "DS41287": dict(family="PIC16", Column=7),
    "DS41390": dict(family="PIC16", Column=12),
    "DS41439": dict(family="PIC16", Column=12),
    "DS41397": dict(family="PIC16", Column=12),
    "DS41573": dict(family="PIC16", Column=15),
    # Later enhanced mid-range guides with the same commands and memory map:
    # parts with data EEPROM take the EEPROM algorithm, parts without it the
    # row-counting one (their write latches fill a whole erase row, as on the
    # DS41573 parts).
    "DS41457": dict(family="PIC16", Column=12),
    "DS41442": dict(family="PIC16", Column=15),
    "DS41642": dict(family="PIC16", Column=15),
    "DS40001743": dict(family="PIC16", Column=15),
    "DS41620": dict(family="PIC16", Column=15),
    # PIC24F and dsPIC30
    "DS39768": dict(family="PIC24", Type="24FJ"),
    "DS39919": dict(family="PIC24", Type="24KA"),
    "DS70102": dict(family="DSPIC30", Type="ds30"),
}

# Parts whose gputils linker script comments out all but one or two of its
# code pages (gpasm -s then reports 2048 or 4096 words): DS41457 and
# Microchip's PICkit 2 device file both give 8192 words, so the parts table
# decides.
GPUTILS_SIZE_WRONG = {"PIC16F1786", "PIC16F1787", "PIC16LF1786", "PIC16LF1787"}

# J90/J93 parts of 64 and 128 KB whose gputils linker script gives an 8-byte
# configuration page: gpasm's configuration database and the MPLAB X device
# data both have the 6 bytes CONFIG1L..CONFIG3H.
GPUTILS_J_CONFIG_PAGE_WRONG = {"PIC18F66J90", "PIC18F67J90", "PIC18F86J90", "PIC18F87J90", "PIC18F66J93",
                               "PIC18F67J93", "PIC18F86J93", "PIC18F87J93"}

# Bytes each PIC12/16 algorithm writes in one programming step, where the
# algorithm fixes it; the enhanced mid-range algorithms write the part's
# whole row of latches.
PIC16_ROW_BYTES = {0: 2, 1: 2, 2: 2, 3: 2, 4: 8, 5: 8, 6: 2, 7: 8}

# Configuration masks of the K40 parts, which gputils does not describe, from
# the datasheets' configuration register tables and Microchip's MPLAB X device
# data: CONFIG1L..CONFIG4H with CONFIG2L LPBOREN at bit 5 (E3) and CONFIG4H
# SCANE at bit 4 (37); CONFIG4L holds one WRTn bit per protection block.
K40_FUSES = "7729E3BF7F3F%02X37"
# CONFIG5L..CONFIG7H: CONFIG6L holds one EBTRn bit per protection block.
K40_LOCKBITS = "0300%02X020000"


def k40_blocks(flash):
    """Protection blocks of a K40 part: two on the 16 KB parts (WRT0/1,
    EBTR0/1), four on the 32 and 64 KB parts."""
    return 2 if flash <= 16384 else 4


# K80 parts: gputils leaves DEBUG (CONFIG4L bit 7) out of its mask although
# the datasheet, the MPLAB X device data and Microchip's PICkit 2 device
# file implement it, erased at 1.
K80_CONFIG4L = (0x91, 0x91)
# PIC18LF2x/4xJ50: gputils and the MPLAB X device data leave DEBUG (CONFIG1L
# bit 7) out for the LF parts only; the F and LF parts share one datasheet
# (DS39931), so the bit stays implemented (erased at 1) as on the F parts
# rather than being written as 0, which would enable the debugger.
J50_DEBUG = 0x80
# PIC24FJ64GA004 family: CONFIG2, CONFIG1. Microchip's C30 processor header
# (p24FJ64GA004.h) and the PICkit 2 device file implement CONFIG2 87F7 (no
# bit 3); the shipped mask keeps bit 3, which the part ignores, so slots
# built from the same file keep their bytes.
PIC24FJ_GA0_FUSES = "FF87DF7F"
# PIC24FJ128GA010 family, from the configuration constants of Microchip's
# C30 processor header (p24FJ128GA010.h): CONFIG2 IESO, FNOSC, FCKSM,
# OSCIOFNC, POSCMOD (87E3); CONFIG1 JTAGEN, GCP, GWRP, BKBUG, COE, ICS,
# FWDTEN, WINDIS, FWPSA, WDTPS (7DDF).
PIC24FJ_GA010_FUSES = "E387DF7D"
# PIC24F16KA102 family: FBS .. FICD. The PIC24F04KA201 family has the same
# registers (Microchip's PICkit 2 device file gives both families the same
# masks, register by register).
PIC24KA_FUSES = "0F000387FFDFFB83"
# PIC24F(V)16/32KA301/302/304: the same registers with more bits implemented
# (FOSCSEL LPRCSEL and SOSCSRC, FWDT FWDTEN<1:0>, FPOR I2C1SEL and RETCFG),
# as Microchip's PICkit 2 device file gives them, register by register.
PIC24KA3_FUSES = "0F0003E7FFFFFF83"

# Parts of the guides above that are not shipped, and why.
LEFT_OUT = {
    "PIC16F639": "shares its identifier (10A0) with the PIC16F636, so the programmer cannot tell them apart",
    "PIC18F27K40": "the 128 KB K40 parts have eight write-protect blocks, the K40 header four",
    "PIC18F47K40": "the 128 KB K40 parts have eight write-protect blocks, the K40 header four",
    "PIC18LF27K40": "the 128 KB K40 parts have eight write-protect blocks, the K40 header four",
    "PIC18LF47K40": "the 128 KB K40 parts have eight write-protect blocks, the K40 header four",
}
for _p in ("PIC18F26K50", "PIC18F46K50", "PIC18LF26K50", "PIC18LF46K50"):
    LEFT_OUT[_p] = ("listed in DS41630 but in neither Microchip's MPLAB X device data nor gputils, so no sizes or "
                    "configuration masks to take; the identifiers the guide's table and the PICkit 2 device file give "
                    "also differ")
for _p in ("PIC16LF1902", "PIC16LF1903", "PIC16LF1904", "PIC16LF1906", "PIC16LF1907"):
    LEFT_OUT[_p] = ("no data EEPROM, so only the row-counting algorithm could take it, but its write latches "
                    "(8 words) fill a quarter of its erase row (32 words), unlike every part that algorithm is known for")
for _p in ("PIC16F1788", "PIC16F1789", "PIC16LF1788", "PIC16LF1789", "PIC16F1454", "PIC16F1455", "PIC16F1459",
           "PIC16LF1454", "PIC16LF1455", "PIC16LF1459"):
    LEFT_OUT[_p] = ("its identifier takes the whole DEVID word (the revision has a word of its own at 0x8005); the "
                    "slot's identifier check is known only for identifiers whose five low bits are the revision")

# Where the parts table and the second identifier source disagree, the
# manufacturer's programming guide decides.
ID_CORRECTIONS = {
    "PIC12F1840": ("1B80", "DS41439: PIC12F1840 DEVID 01 1011 100x xxxx"),
    # Pickle's 2C80 is the PIC16LF1904's; piklab, usbpicprog and Microchip's
    # PICkit 2 device file all give 2D80.
    "PIC12LF1501": ("2D80", "Microchip's PICkit 2 device file, piklab and usbpicprog: 2D80"),
    "PIC12LF1840": ("1BC0", "Microchip's PICkit 2 device file: 1BC0"),
}


def load_parts():
    with open(PARTS, newline="") as f:
        return [row for row in csv.DictReader(line for line in f if not line.startswith("#"))]


def guide_of(row):
    return re.match(r"DS\d+", row["guide"]).group(0)


def natural_key(name):
    return [int(t) if t.isdigit() else t for t in re.split(r"(\d+)", name)]


def gputils_name(name):
    return name.lower().replace("dspic", "").replace("pic", "", 1)


def lkr_pages(name):
    """CODEPAGE ranges of a device's gputils linker script, or None."""
    path = os.path.join(GPUTILS, "lkr", gputils_name(name) + "_g.lkr")
    if not os.path.exists(path):
        return None
    pages = {}
    for line in open(path):
        m = re.match(r"\s*CODEPAGE\s+NAME=(\S+)\s+START=(0x[0-9A-Fa-f]+)\s+END=(0x[0-9A-Fa-f]+)", line)
        if m:
            pages[m.group(1)] = (int(m.group(2), 16), int(m.group(3), 16))
    return pages


def code_end(pages):
    return max(end for n, (start, end) in pages.items() if n.startswith("page")) + 1


def eeprom_size(pages):
    return pages["eedata"][1] - pages["eedata"][0] + 1 if "eedata" in pages else 0


def gputils_config(name):
    """{address: (mask, default)} of every configuration byte gputils knows."""
    r = subprocess.run(["gpasm", "-s", "-p" + gputils_name(name)], capture_output=True, text=True)
    words = {}
    if "Names          : pic%s," % gputils_name(name) not in r.stdout:
        return words  # gpasm answers an unknown part with other parts' properties
    for m in re.finditer(r"Config Word\s*: address = (0x[0-9A-Fa-f]+), mask = (0x[0-9A-Fa-f]+), default = (0x[0-9A-Fa-f]+)",
                         r.stdout):
        words[int(m.group(1), 16)] = (int(m.group(2), 16), int(m.group(3), 16))
    return words


def config_bytes(words, start, count):
    masks = [words.get(start + i, (0, 0))[0] for i in range(count)]
    defaults = [words.get(start + i, (0, 0))[1] & masks[i] for i in range(count)]
    return masks, defaults


def hexs(values):
    return "".join("%02X" % v for v in values)


def is_low_voltage(name):
    return bool(re.match(r"PIC1[268]LF", name))


def times(algo, row):
    prog, erase = algo["ProgTime"], algo["EraseTime"]
    if row.get("write_us"):
        prog = max(prog, math.ceil(int(row["write_us"]) / 1000))
    if row.get("bulk_erase_us"):
        erase = max(erase, math.ceil(int(row["bulk_erase_us"]) / 10000))
    return prog, erase


def pic18(row, algo):
    name = row["name"]
    pages = lkr_pages(name)
    if pages:
        flash, eeprom = code_end(pages), eeprom_size(pages)
        masks, defaults = config_bytes(gputils_config(name), 0x300000, 14)
        count = 14
    else:  # K40: not in gputils
        flash, eeprom = int(row["flash_words"]) * 2, int(row["eeprom_bytes"])
        masks = defaults = None
        count = 12
    buf = int(row["latches"])
    prog, erase = times(algo, row)
    if algo["Type"] == "K80":
        masks[6], defaults[6] = K80_CONFIG4L
    if algo["Type"] in ("A", "B"):
        # Code-protection blocks: one CPn bit each, the same size each.
        blocks = bin(masks[8] & 0x3F).count("1")
        block = flash // blocks
    elif algo["Type"] == "K40":
        blocks = k40_blocks(flash)
        block = flash // blocks
    else:
        blocks, block = 4, flash // 4
    if masks is None:
        bits = (1 << blocks) - 1
        fuses, locks = K40_FUSES % bits, K40_LOCKBITS % bits
        fdefs, ldef = fuses, locks
    else:
        fuses, locks = hexs(masks[:8]), hexs(masks[8:14])
        fdefs, ldef = hexs(defaults[:8]), hexs(defaults[8:14])
    return [("DeviceID", row["device_id"]), ("FlashSize", flash), ("EEPROMSIZE", eeprom), ("Type", algo["Type"]),
            ("Column", 0), ("BufferSize", buf), ("BlockSize", block), ("EraseBlocks", blocks),
            ("EraseCMD", algo["EraseCMD"]), ("ProgTime", prog), ("EraseTime", erase), ("FuseCount", count),
            ("Fuses", fuses), ("Lockbits", locks), ("FDefs", fdefs), ("LDefault", ldef), ("RowSize", buf),
            ("noLVP", algo.get("noLVP", 0)), ("is3Vonly", 1 if is_low_voltage(name) or algo.get("is3Vonly") else 0)]


def pic18j(row, algo):
    name = row["name"]
    pages = lkr_pages(name)
    start, end = pages["config"]
    flash = start + 8  # the configuration words fill the last 8 bytes
    masks, defaults = config_bytes(gputils_config(name), start, 8)
    count = 6 if name in GPUTILS_J_CONFIG_PAGE_WRONG else end - start + 1
    if re.search(r"J50$", name):
        masks[0] |= J50_DEBUG
    fuses = hexs(masks)
    prog, erase = times(algo, row)
    return [("DeviceID", row["device_id"]), ("FlashSize", flash), ("EEPROMSIZE", 0), ("Type", "J"), ("Column", 0),
            ("BufferSize", int(row["latches"])), ("BlockSize", 1024), ("EraseBlocks", 1), ("EraseCMD", "8001"),
            ("ProgTime", prog), ("EraseTime", erase), ("FuseCount", count), ("Fuses", fuses),
            ("RowSize", int(row["latches"])), ("noLVP", 1), ("is3Vonly", 1)]


def pic16(row, algo):
    name = row["name"]
    column = algo["Column"]
    pages = lkr_pages(name)
    words, eeprom = (code_end(pages), eeprom_size(pages)) if pages else (int(row["flash_words"]),
                                                                         int(row["eeprom_bytes"]))
    if name in GPUTILS_SIZE_WRONG:
        words = int(row["flash_words"])
    row_bytes = PIC16_ROW_BYTES.get(column, 2 * int(row["latches"]))
    fuse_count = 2 * int(row["config_words"] or 1)
    return [("DeviceID", row["device_id"]), ("FlashSize", words * 2), ("EEPROMSIZE", eeprom), ("Type", "A"),
            ("Column", column), ("FuseCount", fuse_count), ("RowSize", row_bytes),
            ("ProgTime", 5 if column < 12 else 3), ("EraseTime", 1), ("noLVP", 1 if column in (8, 9, 10) else 0),
            ("is3Vonly", 1 if is_low_voltage(name) else 0), ("14bitID", 1 if column >= 12 else 0)]


def pic24(row, algo):
    name, fj = row["name"], algo["Type"] == "24FJ"
    if not fj:
        fuses = PIC24KA3_FUSES if re.search(r"KA30[124]$", name) else PIC24KA_FUSES
    elif re.search(r"GA0(06|08|10)$", name):
        fuses = PIC24FJ_GA010_FUSES
    else:
        fuses = PIC24FJ_GA0_FUSES
    size = 64 if fj else 32
    # Program memory up to the top of the last erase page: on FJ parts the
    # configuration words are its last two instructions, where the builder
    # puts them.
    return [("DeviceID", row["device_id"]), ("FlashSize", int(row["flash_words"]) * 3),
            ("EEPROMSIZE", int(row["eeprom_bytes"])), ("Type", algo["Type"]), ("Column", 0), ("BufferSize", size),
            ("BlockSize", size), ("EraseCMD", "404F" if fj else "4064"), ("ProgTime", 2), ("EraseTime", 40),
            ("FuseCount", 2 if fj else 9), ("Fuses", fuses), ("FDefs", fuses), ("RowSize", size), ("noLVP", 1),
            ("is3Vonly", 1), (" DAset", 0)]


def dspic30(row, algo):
    return [("DeviceID", row["device_id"]), ("FlashSize", int(row["flash_words"]) * 3),
            ("EEPROMSIZE", int(row["eeprom_bytes"])), ("Type", "ds30"), ("Column", 0), ("BufferSize", 32),
            ("BlockSize", 32), ("EraseCMD", "407F"), ("ProgTime", 2), ("EraseTime", 1), ("FuseCount", 14),
            ("RowSize", 32), ("noLVP", 1), ("is3Vonly", 0)]


# Baseline parts: no identifier, no data memory; gputils gives the sizes.
# PIC12F509 and PIC12F510 have the memory map of the PIC16F505 and PIC16F506
# (1,024 words with the calibration word at 0x3FF and its backup at 0x404;
# Open Programmer's device table programs the four alike).
BASELINE = [("PIC16F54", 8), ("PIC16F57", 8), ("PIC16F59", 8), ("PIC16F505", 9), ("PIC16F506", 9), ("PIC12F509", 9),
            ("PIC12F510", 9)]
BUILDERS = {"PIC18F": pic18, "PIC18K": pic18, "PIC18J": pic18j, "PIC16": pic16, "PIC24": pic24,
            "DSPIC30": dspic30}
FAMILY_ORDER = ["PIC18F", "PIC18J", "PIC18K", "PIC16", "PIC24", "DSPIC30"]
FAMILY_TITLE = {"PIC18F": "PIC18F", "PIC18J": "PIC18J", "PIC18K": "PIC18 K", "PIC16": "PIC12F-16F",
                "PIC24": "PIC24F", "DSPIC30": "dsPIC30"}


def shipped_parts():
    """(family, name, keys, guide) of every shipped part, in list order."""
    out = {f: [] for f in FAMILY_ORDER}
    for row in load_parts():
        name = row["name"]
        algo = ALGORITHMS.get(guide_of(row))
        if algo is None or name in LEFT_OUT:
            continue
        if name in ID_CORRECTIONS:
            row = dict(row, device_id=ID_CORRECTIONS[name][0])
        out[algo["family"]].append((name, BUILDERS[algo["family"]](row, algo), row["guide"]))
    for name, column in BASELINE:
        pages = lkr_pages(name)
        out["PIC16"].append((name, [("DeviceID", "FFFF"), ("FlashSize", code_end(pages) * 2), ("EEPROMSIZE", 0),
                                    ("Type", "A"), ("Column", column), ("FuseCount", 2), ("RowSize", 2),
                                    ("ProgTime", 5), ("EraseTime", 1), ("noLVP", 1), ("is3Vonly", 0),
                                    ("14bitID", 0)], "baseline"))
    for family in FAMILY_ORDER:
        out[family].sort(key=lambda p: natural_key(p[0]))
        yield from ((family,) + p for p in out[family])


def section(name, keys):
    return "[%s]\n" % name + "".join("%s=%s\n" % kv for kv in keys) + "\n"


def ini_text(parts):
    out = ["; Velmar device database: one section per device, named as the device\n"
           "; list shows it. Keys and units: docs/DEVICES.md. Generated by\n"
           "; scripts/make-devices-ini.py from tools/devices/parts.csv.\n\n"]
    out += [section(name, keys) for _, name, keys, _ in parts]
    return "".join(out).rstrip("\n") + "\n"


def device_list(parts):
    """The generated part of docs/DEVICES.md: counts and names per family."""
    lines = ["<!-- device list: generated by scripts/make-devices-ini.py -->", "",
             "%d devices in all, %d parts of the same guides left out (listed at the end)." % (
                 len(parts), len(LEFT_OUT)), ""]
    for family in FAMILY_ORDER:
        names = [(n, s) for f, n, _, s in parts if f == family]
        guides = sorted({re.match(r"DS\d+|baseline", g).group(0) for _, g in names})
        lines.append("**%s** (%d devices; programming guides %s): %s" % (
            FAMILY_TITLE[family], len(names), ", ".join(guides), ", ".join(n for n, _ in names)))
        lines.append("")
    lines.append("Left out:")
    lines.append("")
    for name in sorted(LEFT_OUT, key=natural_key):
        lines.append("- %s: %s" % (name, LEFT_OUT[name]))
    lines += ["", "<!-- end of device list -->"]
    return "\n".join(lines) + "\n"


def main():
    check = "--check" in sys.argv[1:]
    parts = list(shipped_parts())
    text = ini_text(parts)
    doc_path = "docs/DEVICES.md"
    doc = open(doc_path).read()
    new_doc = re.sub(r"<!-- device list: generated.*?<!-- end of device list -->\n", lambda m: device_list(parts),
                     doc, flags=re.S)
    if check:
        shipped = open("data/DEVICES.INI", newline="").read().replace("\r\n", "\n")
        stale = [p for p, ok in (("data/DEVICES.INI", shipped == text), (doc_path, new_doc == doc)) if not ok]
        if stale:
            print("not what scripts/make-devices-ini.py writes: " + ", ".join(stale), file=sys.stderr)
            return 1
        return 0
    with open("data/DEVICES.INI", "w", newline="\r\n") as f:
        f.write(text)
    with open(doc_path, "w") as f:
        f.write(new_doc)
    print("wrote data/DEVICES.INI with %d devices" % len(parts), file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
