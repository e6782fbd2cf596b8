#!/usr/bin/env python3
"""Writes data/DEVICES.INI and the device list of docs/DEVICES.md.

Every device comes from scripts/devices/parts.csv, which lists each part with
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
PARTS = os.path.join(HERE, "devices", "parts.csv")

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
    # PIC18 J
    "DS39687": dict(family="PIC18J", Type="J", EraseCMD="8001", ProgTime=2, EraseTime=48),
    # PIC12/16: the Column algorithm
    "DS30262": dict(family="PIC16", Column=0),
    "DS41191": dict(family="PIC16", Column=1),
    "DS30324": dict(family="PIC16", Column=2),
    "DS41196": dict(family="PIC16", Column=3),
    "DS39589": dict(family="PIC16", Column=4),
    "DS39607": dict(family="PIC16", Column=5),
    "DS39603": dict(family="PIC16", Column=5),
    "DS41204": dict(family="PIC16", Column=6),
    "DS41287": dict(family="PIC16", Column=7),
    "DS41390": dict(family="PIC16", Column=12),
    "DS41439": dict(family="PIC16", Column=12),
    "DS41397": dict(family="PIC16", Column=12),
    "DS41573": dict(family="PIC16", Column=15),
    # PIC24F and dsPIC30
    "DS39768": dict(family="PIC24", Type="24FJ"),
    "DS39919": dict(family="PIC24", Type="24KA"),
    "DS70102": dict(family="DSPIC30", Type="ds30"),
}

# Bytes each PIC12/16 algorithm writes in one programming step, where the
# algorithm fixes it; the enhanced mid-range algorithms write the part's
# whole row of latches.
PIC16_ROW_BYTES = {0: 2, 1: 2, 2: 2, 3: 2, 4: 8, 5: 8, 6: 2, 7: 8}

# Configuration masks from the datasheets' configuration register tables,
# for parts gputils does not describe (or describes differently, below).
K40_FUSES = "7729C7BF7F3F0F2F"
K40_LOCKBITS = "03000F020000"
# The PIC18F2x/4xJ50 datasheet has LS48MHZ in CONFIG4H and no WPFP6; gputils
# has neither of them right for these parts, so the datasheet decides.
J50_FUSES = "EF07DF0FFF09BF03"
PIC24FJ_GA0_FUSES = "FF87DF7F"        # PIC24FJ64GA004 family: CONFIG2, CONFIG1
PIC24KA_FUSES = "0F000387FFDFFB83"    # PIC24F16KA102 family: FBS .. FICD

# PIC24 and dsPIC30 program memory in instructions, from the family
# datasheets (the parts table counts the configuration page as well).
PIC24_INSTRUCTIONS = {
    "PIC24FJ16GA002": 5504, "PIC24FJ16GA004": 5504, "PIC24FJ32GA002": 11008, "PIC24FJ32GA004": 11008,
    "PIC24FJ48GA002": 16512, "PIC24FJ48GA004": 16512, "PIC24FJ64GA002": 22016, "PIC24FJ64GA004": 22016,
    "PIC24F08KA101": 2816, "PIC24F08KA102": 2816, "PIC24F16KA101": 5632, "PIC24F16KA102": 5632,
}

# Parts of the guides above that are not shipped, and why.
LEFT_OUT = {
    "PIC16F639": "shares its identifier (10A0) with the PIC16F636, so the programmer cannot tell them apart",
    "PIC12F1840": None,  # shipped; see ID_CORRECTIONS
    "PIC12LF1501": "the identifier tables disagree (2C80 / 2D80) and no manufacturer's table was at hand to decide",
    "PIC12LF1840": "the identifier tables disagree (1DC0 / 1BC0) and no manufacturer's table was at hand to decide",
    "PIC16LF1902": "no data EEPROM and no row count for it in the enhanced mid-range algorithms' tables",
    "PIC16LF1903": "no data EEPROM and no row count for it in the enhanced mid-range algorithms' tables",
    "PIC16LF1904": "no data EEPROM and no row count for it in the enhanced mid-range algorithms' tables",
    "PIC16LF1906": "no data EEPROM and no row count for it in the enhanced mid-range algorithms' tables",
    "PIC16LF1907": "no data EEPROM and no row count for it in the enhanced mid-range algorithms' tables",
    "PIC18F27K40": "the 128 KB K40 parts have eight write-protect blocks, the K40 header four",
    "PIC18F47K40": "the 128 KB K40 parts have eight write-protect blocks, the K40 header four",
    "PIC18LF27K40": "the 128 KB K40 parts have eight write-protect blocks, the K40 header four",
    "PIC18LF47K40": "the 128 KB K40 parts have eight write-protect blocks, the K40 header four",
}
for _p in ("PIC18F26J13", "PIC18F46J13", "PIC18F27J13", "PIC18F47J13", "PIC18F26J53", "PIC18F46J53",
           "PIC18F27J53", "PIC18F47J53", "PIC18LF26J13", "PIC18LF46J13", "PIC18LF27J13", "PIC18LF47J13",
           "PIC18LF26J53", "PIC18LF46J53", "PIC18LF27J53", "PIC18LF47J53"):
    LEFT_OUT[_p] = "configuration masks not yet checked against the J13/J53 datasheet (gputils misses bits the J50 datasheet has)"
for _p in ("PIC24FJ64GA006", "PIC24FJ64GA008", "PIC24FJ64GA010", "PIC24FJ96GA006", "PIC24FJ96GA008",
           "PIC24FJ96GA010", "PIC24FJ128GA006", "PIC24FJ128GA008", "PIC24FJ128GA010"):
    LEFT_OUT[_p] = "configuration word masks of the PIC24FJ128GA010 family not yet sourced"
for _p in ("PIC24F04KA200", "PIC24F04KA201", "PIC24F16KA301", "PIC24F16KA302", "PIC24F16KA304",
           "PIC24F32KA301", "PIC24F32KA302", "PIC24F32KA304", "PIC24FV16KA301", "PIC24FV16KA302",
           "PIC24FV16KA304", "PIC24FV32KA301", "PIC24FV32KA302", "PIC24FV32KA304"):
    LEFT_OUT[_p] = "configuration register masks of this KA family not yet sourced"
del LEFT_OUT["PIC12F1840"]

# Where the parts table and the second identifier source disagree, the
# manufacturer's programming guide decides.
ID_CORRECTIONS = {
    "PIC12F1840": ("1B80", "DS41439: PIC12F1840 DEVID 01 1011 100x xxxx"),
}


def load_parts():
    with open(PARTS, newline="") as f:
        return [row for row in csv.DictReader(line for line in f if not line.startswith("#"))]


def spec_of(row):
    return re.match(r"DS\d+", row["spec"]).group(0)


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
    if algo["Type"] in ("A", "B"):
        # Code-protection blocks: one CPn bit each, the same size each.
        blocks = bin(masks[8] & 0x3F).count("1")
        block = flash // blocks
    else:
        blocks, block = 4, flash // 4
    if masks is None:
        fuses, locks, fdefs, ldef = K40_FUSES, K40_LOCKBITS, K40_FUSES, K40_LOCKBITS
    else:
        fuses, locks = hexs(masks[:8]), hexs(masks[8:14])
        fdefs, ldef = hexs(defaults[:8]), hexs(defaults[8:14])
    return [("DeviceID", row["device_id"]), ("FlashSize", flash), ("EEPROMSIZE", eeprom), ("Type", algo["Type"]),
            ("Column", 0), ("BufferSize", buf), ("BlockSize", block), ("EraseBlocks", blocks),
            ("EraseCMD", algo["EraseCMD"]), ("ProgTime", prog), ("EraseTime", erase), ("FuseCount", count),
            ("Fuses", fuses), ("Lockbits", locks), ("FDefs", fdefs), ("LDefault", ldef), ("RowSize", buf),
            ("noLVP", 0), ("is3Vonly", 1 if is_low_voltage(name) else 0)]


def pic18j(row, algo):
    name = row["name"]
    pages = lkr_pages(name)
    start, end = pages["config"]
    flash = start + 8  # the configuration words fill the last 8 bytes
    masks, defaults = config_bytes(gputils_config(name), start, 8)
    count = end - start + 1
    fuses = J50_FUSES if re.search(r"J50$", name) else hexs(masks)
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
    row_bytes = PIC16_ROW_BYTES.get(column, 2 * int(row["latches"]))
    fuse_count = 2 * int(row["config_words"] or 1)
    return [("DeviceID", row["device_id"]), ("FlashSize", words * 2), ("EEPROMSIZE", eeprom), ("Type", "A"),
            ("Column", column), ("FuseCount", fuse_count), ("RowSize", row_bytes),
            ("ProgTime", 5 if column < 12 else 3), ("EraseTime", 1), ("noLVP", 1 if column in (8, 9, 10) else 0),
            ("is3Vonly", 1 if is_low_voltage(name) else 0), ("14bitID", 1 if column >= 12 else 0)]


def pic24(row, algo):
    name, fj = row["name"], algo["Type"] == "24FJ"
    fuses = PIC24FJ_GA0_FUSES if fj else PIC24KA_FUSES
    size = 64 if fj else 32
    return [("DeviceID", row["device_id"]), ("FlashSize", PIC24_INSTRUCTIONS[name] * 3),
            ("EEPROMSIZE", int(row["eeprom_bytes"])), ("Type", algo["Type"]), ("Column", 0), ("BufferSize", size),
            ("BlockSize", size), ("EraseCMD", "404F" if fj else "4064"), ("ProgTime", 2), ("EraseTime", 40),
            ("FuseCount", 2 if fj else 9), ("Fuses", fuses), ("FDefs", fuses), ("RowSize", size), ("noLVP", 1),
            ("is3Vonly", 1), (" DAset", 0)]


def dspic30(row, algo):
    return [("DeviceID", row["device_id"]), ("FlashSize", int(row["flash_words"]) * 3),
            ("EEPROMSIZE", int(row["eeprom_bytes"])), ("Type", "ds30"), ("Column", 0), ("BufferSize", 32),
            ("BlockSize", 32), ("EraseCMD", "407F"), ("ProgTime", 2), ("EraseTime", 1), ("FuseCount", 14),
            ("RowSize", 32), ("noLVP", 1), ("is3Vonly", 0)]


# Baseline PIC16F5x parts: no identifier, no data memory; gputils gives the sizes.
BASELINE = [("PIC16F54", 8), ("PIC16F57", 8), ("PIC16F59", 8), ("PIC16F505", 9), ("PIC16F506", 9)]
BUILDERS = {"PIC18F": pic18, "PIC18K": pic18, "PIC18J": pic18j, "PIC16": pic16, "PIC24": pic24,
            "DSPIC30": dspic30}
FAMILY_ORDER = ["PIC18F", "PIC18J", "PIC18K", "PIC16", "PIC24", "DSPIC30"]
FAMILY_TITLE = {"PIC18F": "PIC18F", "PIC18J": "PIC18J", "PIC18K": "PIC18 K", "PIC16": "PIC12F-16F",
                "PIC24": "PIC24F", "DSPIC30": "dsPIC30"}


def shipped_parts():
    """(family, name, keys, spec) of every shipped part, in list order."""
    out = {f: [] for f in FAMILY_ORDER}
    for row in load_parts():
        name = row["name"]
        algo = ALGORITHMS.get(spec_of(row))
        if algo is None or name in LEFT_OUT:
            continue
        if name in ID_CORRECTIONS:
            row = dict(row, device_id=ID_CORRECTIONS[name][0])
        out[algo["family"]].append((name, BUILDERS[algo["family"]](row, algo), row["spec"]))
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
           "; scripts/make-devices-ini.py from scripts/devices/parts.csv.\n\n"]
    out += [section(name, keys) for _, name, keys, _ in parts]
    return "".join(out).rstrip("\n") + "\n"


def device_list(parts):
    """The generated part of docs/DEVICES.md: counts and names per family."""
    lines = ["<!-- device list: generated by scripts/make-devices-ini.py -->", ""]
    for family in FAMILY_ORDER:
        names = [(n, s) for f, n, _, s in parts if f == family]
        specs = sorted({re.match(r"DS\d+|baseline", s).group(0) for _, s in names})
        lines.append("**%s** (%d devices; programming guides %s): %s" % (
            FAMILY_TITLE[family], len(names), ", ".join(specs), ", ".join(n for n, _ in names)))
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
