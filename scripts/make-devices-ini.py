#!/usr/bin/env python3
"""Writes data/DEVICES.INI from the device table below.

Device identifiers, algorithm numbers and programming parameters are set by
hand in the table (docs/DEVICES.md says how each was chosen). For the 8-bit
devices that gputils knows, the memory sizes come from its linker scripts,
and for PIC18 devices the configuration masks (Fuses, Lockbits) from the
option values of its headers and the configuration defaults (FDefs,
LDefault) from what gpasm writes when only DEBUG=OFF is given. Run it from
the repository root: python3 scripts/make-devices-ini.py
"""
import os
import re
import subprocess
import sys
import tempfile

GPUTILS = "/usr/share/gputils"

# name: family-specific hand values. Sizes given here are used only where
# gputils does not know the device (K40 parts, 16-bit devices).
PIC18 = [
    # name, DeviceID, Type, BufferSize, BlockSize, EraseBlocks, EraseCMD, ProgTime, EraseTime(10 ms)
    ("PIC18F1220", "07E0", "B", 8, 2048, 2, "8F3F", 1, 1),
    ("PIC18F1320", "07C0", "B", 8, 4096, 2, "8F3F", 1, 1),
    ("PIC18F242", "0480", "A", 8, 8192, 2, "8000", 2, 1),
    ("PIC18F252", "0400", "A", 8, 8192, 4, "8000", 2, 1),
    ("PIC18F442", "04A0", "A", 8, 8192, 2, "8000", 2, 1),
    ("PIC18F452", "0420", "A", 8, 8192, 4, "8000", 2, 1),
    ("PIC18F258", "0800", "A", 8, 8192, 4, "8000", 2, 1),
    ("PIC18F458", "0820", "A", 8, 8192, 4, "8000", 2, 1),
    ("PIC18F2420", "1140", "B", 32, 8192, 2, "8F3F", 1, 1),
    ("PIC18F2520", "1100", "B", 32, 8192, 4, "8F3F", 1, 1),
    ("PIC18F4420", "10C0", "B", 32, 8192, 2, "8F3F", 1, 1),
    ("PIC18F4520", "1080", "B", 32, 8192, 4, "8F3F", 1, 1),
    ("PIC18F2550", "1240", "B", 32, 8192, 4, "8F3F", 1, 1),
    ("PIC18F4550", "1200", "B", 32, 8192, 4, "8F3F", 1, 1),
    ("PIC18F2620", "0C80", "B", 64, 16384, 4, "8F3F", 1, 1),
    ("PIC18F4620", "0C00", "B", 64, 16384, 4, "8F3F", 1, 1),
]
# gputils' J headers list no option values, so the masks of implemented
# configuration bits come from the datasheets' configuration word tables.
J10_FUSES = "E104C70F00010000"
J50_FUSES = "EF07DF0FFF09BF03"
PIC18J = [
    # name, DeviceID, BufferSize, ProgTime, EraseTime(10 ms), Fuses
    ("PIC18F24J10", "1D00", 64, 2, 48, J10_FUSES),
    ("PIC18F25J10", "1C00", 64, 2, 48, J10_FUSES),
    ("PIC18F44J10", "1D20", 64, 2, 48, J10_FUSES),
    ("PIC18F45J10", "1C20", 64, 2, 48, J10_FUSES),
    ("PIC18F26J50", "4C40", 64, 2, 48, J50_FUSES),
    ("PIC18F46J50", "4CA0", 64, 2, 48, J50_FUSES),
]
PIC18K = [
    # name, DeviceID, Type, BufferSize, BlockSize, is3Vonly
    ("PIC18F23K22", "5740", "K22", 64, 2048, 0),
    ("PIC18F24K22", "5640", "K22", 64, 4096, 0),
    ("PIC18F25K22", "5540", "K22", 64, 8192, 0),
    ("PIC18F26K22", "5440", "K22", 64, 16384, 0),
    ("PIC18F43K22", "5700", "K22", 64, 2048, 0),
    ("PIC18F44K22", "5600", "K22", 64, 4096, 0),
    ("PIC18F45K22", "5500", "K22", 64, 8192, 0),
    ("PIC18F46K22", "5400", "K22", 64, 16384, 0),
    ("PIC18LF46K22", "5420", "K22", 64, 16384, 1),
    ("PIC18F25K80", "6180", "K80", 64, 8192, 0),
    ("PIC18F26K80", "6120", "K80", 64, 16384, 0),
    ("PIC18F45K80", "6160", "K80", 64, 8192, 0),
    ("PIC18F46K80", "6100", "K80", 64, 16384, 0),
    ("PIC18F25K40", "69A0", "K40", 64, 8192, 0),
    ("PIC18F26K40", "6980", "K40", 64, 16384, 0),
    ("PIC18F45K40", "6940", "K40", 64, 8192, 0),
    ("PIC18F46K40", "6920", "K40", 64, 16384, 0),
]
# K40 parts are not in gputils: sizes and configuration from their datasheet.
K40_SIZES = {"PIC18F25K40": (32768, 256), "PIC18F26K40": (65536, 1024),
             "PIC18F45K40": (32768, 256), "PIC18F46K40": (65536, 1024)}
K40_FUSES = "7729C7BF7F3F0F2F"
K40_LOCKBITS = "03000F020000"

PIC16 = [
    # name, DeviceID, Column, RowSize (bytes), FuseCount (bytes), is3Vonly, 14bitID
    ("PIC12F629", "0F80", 1, 2, 2, 0, 0),
    ("PIC12F675", "0FC0", 1, 2, 2, 0, 0),
    ("PIC12F683", "0460", 6, 2, 2, 0, 0),
    ("PIC16F630", "10C0", 1, 2, 2, 0, 0),
    ("PIC16F676", "10E0", 1, 2, 2, 0, 0),
    ("PIC16F684", "1080", 6, 2, 2, 0, 0),
    ("PIC16F688", "1180", 6, 2, 2, 0, 0),
    ("PIC16F690", "1400", 6, 2, 2, 0, 0),
    ("PIC16F84A", "0560", 0, 2, 2, 0, 0),
    ("PIC16F627A", "1040", 3, 2, 2, 0, 0),
    ("PIC16F628A", "1060", 3, 2, 2, 0, 0),
    ("PIC16F648A", "1100", 3, 2, 2, 0, 0),
    ("PIC16F73", "0600", 2, 2, 2, 0, 0),
    ("PIC16F77", "0660", 2, 2, 2, 0, 0),
    ("PIC16F87", "0720", 5, 8, 4, 0, 0),
    ("PIC16F88", "0760", 5, 8, 4, 0, 0),
    ("PIC16F818", "04C0", 5, 8, 2, 0, 0),
    ("PIC16F819", "04E0", 5, 8, 2, 0, 0),
    ("PIC16F873A", "0E40", 4, 8, 2, 0, 0),
    ("PIC16F874A", "0E60", 4, 8, 2, 0, 0),
    ("PIC16F876A", "0E00", 4, 8, 2, 0, 0),
    ("PIC16F877A", "0E20", 4, 8, 2, 0, 0),
    ("PIC16F882", "2000", 7, 8, 4, 0, 0),
    ("PIC16F883", "2020", 7, 8, 4, 0, 0),
    ("PIC16F886", "2060", 7, 8, 4, 0, 0),
    ("PIC16F887", "2080", 7, 8, 4, 0, 0),
    ("PIC12F1822", "2700", 12, 32, 4, 0, 1),
    ("PIC12F1840", "1B80", 12, 64, 4, 0, 1),
    ("PIC16F1823", "2720", 12, 32, 4, 0, 1),
    ("PIC16F1826", "2780", 12, 16, 4, 0, 1),
    ("PIC16F1827", "27A0", 12, 16, 4, 0, 1),
    ("PIC16LF1827", "28A0", 12, 16, 4, 1, 1),
    ("PIC16F1847", "1480", 12, 64, 4, 0, 1),
    ("PIC16F1933", "2300", 12, 16, 4, 0, 1),
    ("PIC16F1934", "2340", 12, 16, 4, 0, 1),
    ("PIC16F1937", "2380", 12, 16, 4, 0, 1),
    ("PIC16F1939", "23C0", 12, 16, 4, 0, 1),
    ("PIC16F1503", "2CE0", 15, 32, 4, 0, 1),
    ("PIC16F1507", "2D00", 15, 32, 4, 0, 1),
    ("PIC16F1508", "2D20", 15, 64, 4, 0, 1),
    ("PIC16F1509", "2D40", 15, 64, 4, 0, 1),
    # Baseline parts have no device identifier.
    ("PIC16F54", "FFFF", 8, 2, 2, 0, 0),
    ("PIC16F57", "FFFF", 8, 2, 2, 0, 0),
    ("PIC16F59", "FFFF", 8, 2, 2, 0, 0),
    ("PIC16F505", "FFFF", 9, 2, 2, 0, 0),
    ("PIC16F506", "FFFF", 9, 2, 2, 0, 0),
]
PIC24 = [
    # name, DeviceID, Type, instructions, EEPROM bytes, FuseCount, Fuses, FDefs, is3Vonly
    ("PIC24FJ16GA002", "0444", "24FJ", 5504, 0, 2, "FF87DF7F", "FF87DF7F", 1),
    ("PIC24FJ32GA002", "0445", "24FJ", 11008, 0, 2, "FF87DF7F", "FF87DF7F", 1),
    ("PIC24FJ48GA002", "0446", "24FJ", 16512, 0, 2, "FF87DF7F", "FF87DF7F", 1),
    ("PIC24FJ64GA002", "0447", "24FJ", 22016, 0, 2, "FF87DF7F", "FF87DF7F", 1),
    ("PIC24FJ32GA004", "044D", "24FJ", 11008, 0, 2, "FF87DF7F", "FF87DF7F", 1),
    ("PIC24FJ64GA004", "044F", "24FJ", 22016, 0, 2, "FF87DF7F", "FF87DF7F", 1),
    ("PIC24F08KA101", "0D00", "24KA", 2816, 512, 9, "0F000387FFDFFB83", "0F000387FFDFFB83", 1),
    ("PIC24F16KA101", "0D01", "24KA", 5632, 512, 9, "0F000387FFDFFB83", "0F000387FFDFFB83", 1),
    ("PIC24F08KA102", "0D02", "24KA", 2816, 512, 9, "0F000387FFDFFB83", "0F000387FFDFFB83", 1),
    ("PIC24F16KA102", "0D03", "24KA", 5632, 512, 9, "0F000387FFDFFB83", "0F000387FFDFFB83", 1),
]
DSPIC30 = [
    # name, DeviceID, instructions, EEPROM bytes
    ("dsPIC30F2010", "0040", 4096, 1024),
    ("dsPIC30F2011", "0240", 4096, 0),
    ("dsPIC30F2012", "0241", 4096, 0),
    ("dsPIC30F3010", "01C0", 8192, 1024),
    ("dsPIC30F3011", "01C1", 8192, 1024),
    ("dsPIC30F3012", "00C1", 8192, 1024),
    ("dsPIC30F3013", "00C3", 8192, 1024),
    ("dsPIC30F4011", "0101", 16384, 1024),
    ("dsPIC30F4012", "0102", 16384, 1024),
    ("dsPIC30F4013", "0141", 16384, 1024),
]


def lkr_pages(name):
    """CODEPAGE ranges of a device's gputils linker script, or None."""
    path = os.path.join(GPUTILS, "lkr", name.lower().replace("pic", "", 1) + "_g.lkr")
    if not os.path.exists(path):
        return None
    pages = {}
    for line in open(path):
        m = re.match(r"\s*CODEPAGE\s+NAME=(\S+)\s+START=(0x[0-9A-Fa-f]+)\s+END=(0x[0-9A-Fa-f]+)", line)
        if m:
            pages[m.group(1)] = (int(m.group(2), 16), int(m.group(3), 16))
    return pages


def program_words_pic16(pages):
    return max(end for n, (start, end) in pages.items() if n.startswith("page")) + 1


def eeprom_size(pages):
    return pages["eedata"][1] - pages["eedata"][0] + 1 if "eedata" in pages else 0


def pic18_sizes(pages):
    return max(end for n, (start, end) in pages.items() if n.startswith("page")) + 1, eeprom_size(pages)


def pic18_masks(name, count):
    """Implemented bits of each configuration byte from the header's option values."""
    path = os.path.join(GPUTILS, "header", "p" + name.lower().replace("pic", "", 1) + ".inc")
    masks = [0] * count
    for line in open(path, errors="replace"):
        m = re.match(r"\s*_\w+_(\d+)([LH])\s+EQU\s+H'([0-9A-Fa-f]{2})'", line)
        if m:
            index = (int(m.group(1)) - 1) * 2 + (1 if m.group(2) == "H" else 0)
            if index < count:
                masks[index] |= ~int(m.group(3), 16) & 0xFF
    return masks


def pic18_defaults(name, start, count):
    """Configuration bytes gpasm writes when one setting is given at its
    default value (DEBUG=OFF, or STVREN=ON where DEBUG has no setting)."""
    proc = name.lower().replace("pic", "", 1)
    with tempfile.TemporaryDirectory() as d:
        src = os.path.join(d, "c.asm")
        for setting in ("DEBUG=OFF", "STVREN=ON"):
            open(src, "w").write(f"  list p={proc}\n  #include <p{proc}.inc>\n  CONFIG {setting}\n  org 0\n  nop\n  end\n")
            r = subprocess.run(["gpasm", "-o", os.path.join(d, "c.hex"), src], capture_output=True, text=True)
            if r.returncode == 0:
                break
        else:
            return None
        data, upper = {}, 0
        for line in open(os.path.join(d, "c.hex")):
            line = line.strip()
            n, addr, kind = int(line[1:3], 16), int(line[3:7], 16), int(line[7:9], 16)
            if kind == 4:
                upper = int(line[9:13], 16) << 16
            elif kind == 0:
                for i in range(n):
                    data[upper + addr + i] = int(line[9 + 2 * i:11 + 2 * i], 16)
    return [data.get(start + i, 0xFF) for i in range(count)]


def hexs(values):
    return "".join("%02X" % v for v in values)


def section(name, keys):
    return "[%s]\n" % name + "".join("%s=%s\n" % kv for kv in keys) + "\n"


def main():
    out = ["; Velmar device database: one section per device, named as the device\n"
           "; list shows it. Keys and units: docs/DEVICES.md. Generated by\n"
           "; scripts/make-devices-ini.py.\n\n"]
    for name, dev_id, typ, buf, block, blocks, erase, ptime, etime in PIC18:
        pages = lkr_pages(name)
        flash, eeprom = pic18_sizes(pages)
        cfg = pages["config"]
        count = cfg[1] - cfg[0] + 1
        masks = pic18_masks(name, count)
        defaults = pic18_defaults(name, 0x300000, count) or masks
        defaults = [d & m for d, m in zip(defaults, masks)]
        out.append(section(name, [
            ("DeviceID", dev_id), ("FlashSize", flash), ("EEPROMSIZE", eeprom), ("Type", typ),
            ("Column", 0), ("BufferSize", buf), ("BlockSize", block), ("EraseBlocks", blocks),
            ("EraseCMD", erase), ("ProgTime", ptime), ("EraseTime", etime), ("FuseCount", count),
            ("Fuses", hexs(masks[:8])), ("Lockbits", hexs((masks[8:] + [0] * 6)[:6])),
            ("FDefs", hexs(defaults[:8])), ("LDefault", hexs((defaults[8:] + [0] * 6)[:6])),
            ("RowSize", buf), ("noLVP", 0), ("is3Vonly", 0)]))
    for name, dev_id, buf, ptime, etime, fuses in PIC18J:
        pages = lkr_pages(name)
        cfg = pages["config"]
        flash = cfg[0] + 8  # the configuration words fill the last 8 bytes
        count = cfg[1] - cfg[0] + 1
        out.append(section(name, [
            ("DeviceID", dev_id), ("FlashSize", flash), ("EEPROMSIZE", 0), ("Type", "J"), ("Column", 0),
            ("BufferSize", buf), ("BlockSize", 1024), ("EraseBlocks", 1), ("EraseCMD", "8001"),
            ("ProgTime", ptime), ("EraseTime", etime), ("FuseCount", count), ("Fuses", fuses),
            ("RowSize", buf), ("noLVP", 1), ("is3Vonly", 1)]))
    for name, dev_id, typ, buf, block, low in PIC18K:
        pages = lkr_pages(name)
        if pages:
            flash, eeprom = pic18_sizes(pages)
            cfg = pages.get("config") or pages["cfgmem"]
            count = cfg[1] - cfg[0] + 1
            masks = pic18_masks(name, count)
            defaults = pic18_defaults(name, 0x300000, count) or masks
            defaults = [d & m for d, m in zip(defaults, masks)]
            fuses, locks = hexs(masks[:8]), hexs((masks[8:] + [0] * 6)[:6])
            fdefs, ldef = hexs(defaults[:8]), hexs((defaults[8:] + [0] * 6)[:6])
            erase = "8F0F"
        else:
            flash, eeprom = K40_SIZES[name]
            count, fuses, locks, fdefs, ldef, erase = 12, K40_FUSES, K40_LOCKBITS, K40_FUSES, K40_LOCKBITS, "0000"
        out.append(section(name, [
            ("DeviceID", dev_id), ("FlashSize", flash), ("EEPROMSIZE", eeprom), ("Type", typ), ("Column", 0),
            ("BufferSize", buf), ("BlockSize", block), ("EraseBlocks", 4), ("EraseCMD", erase),
            ("ProgTime", 1), ("EraseTime", 2), ("FuseCount", count), ("Fuses", fuses), ("Lockbits", locks),
            ("FDefs", fdefs), ("LDefault", ldef), ("RowSize", buf), ("noLVP", 0), ("is3Vonly", low)]))
    for name, dev_id, column, row, fuse_count, low, id14 in PIC16:
        pages = lkr_pages(name)
        words = program_words_pic16(pages)
        eeprom = eeprom_size(pages)
        out.append(section(name, [
            ("DeviceID", dev_id), ("FlashSize", words * 2), ("EEPROMSIZE", eeprom), ("Type", "A"),
            ("Column", column), ("FuseCount", fuse_count), ("RowSize", row), ("ProgTime", 5 if column < 12 else 3),
            ("EraseTime", 1), ("noLVP", 1 if column in (8, 9, 10) else 0), ("is3Vonly", low), ("14bitID", id14)]))
    for name, dev_id, typ, instr, eeprom, fuse_count, fuses, fdefs, low in PIC24:
        out.append(section(name, [
            ("DeviceID", dev_id), ("FlashSize", instr * 3), ("EEPROMSIZE", eeprom), ("Type", typ), ("Column", 0),
            ("BufferSize", 64 if typ == "24FJ" else 32), ("BlockSize", 64 if typ == "24FJ" else 32),
            ("EraseCMD", "404F" if typ == "24FJ" else "4064"), ("ProgTime", 2), ("EraseTime", 40),
            ("FuseCount", fuse_count), ("Fuses", fuses), ("FDefs", fdefs), ("RowSize", 64 if typ == "24FJ" else 32),
            ("noLVP", 1), ("is3Vonly", low), (" DAset", 0)]))
    for name, dev_id, instr, eeprom in DSPIC30:
        out.append(section(name, [
            ("DeviceID", dev_id), ("FlashSize", instr * 3), ("EEPROMSIZE", eeprom), ("Type", "ds30"), ("Column", 0),
            ("BufferSize", 32), ("BlockSize", 32), ("EraseCMD", "407F"), ("ProgTime", 2), ("EraseTime", 1),
            ("FuseCount", 14), ("RowSize", 32), ("noLVP", 1), ("is3Vonly", 0)]))
    text = "".join(out).rstrip("\n") + "\n"
    with open("data/DEVICES.INI", "w", newline="\r\n") as f:
        f.write(text)
    print("wrote data/DEVICES.INI with %d devices" % text.count("\n["), file=sys.stderr)


if __name__ == "__main__":
    main()
