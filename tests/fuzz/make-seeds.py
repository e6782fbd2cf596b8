#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora under tests/fuzz/corpus/<target>/.

Every seed is built here from documented formats (Intel HEX, the INI files,
the simulator's state file, slot headers, a Windows PE file with a version
resource and an ELF file with the program's version section), so nothing is
copied from elsewhere. Run it again after changing a format; the output is
checked in. The hex loader's seeds are kept by hand.
"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


def put(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("latin-1")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def intel_hex(records_data, start=0, width=16):
    """Intel HEX text of `records_data` placed from `start` (with linear
    address records when it passes 64 KiB)."""
    out = []
    upper = -1
    for at in range(0, len(records_data), width):
        addr = start + at
        if addr >> 16 != upper:
            upper = addr >> 16
            body = bytes([2, 0, 0, 4, upper >> 8, upper & 0xFF])
            out.append(":" + body.hex().upper() + "%02X" % (-sum(body) & 0xFF))
        chunk = records_data[at:at + width]
        body = bytes([len(chunk), (addr >> 8) & 0xFF, addr & 0xFF, 0]) + chunk
        out.append(":" + body.hex().upper() + "%02X" % (-sum(body) & 0xFF))
    out.append(":00000001FF")
    return "\r\n".join(out) + "\r\n"


# ---- slot headers (160 bytes, little-endian fields, checksum at 157)
def header(next_page, pages, name, file="blink.hex", device="PIC16F628A", a=0x80, b=0xFF, c=0x00,
           family=0x04, supply=0xA9, count=0xFFFF, device_id=b"\x10\x60"):
    h = bytearray([0xFF] * 160)
    h[0:2] = struct.pack("<H", next_page)
    h[2] = 0
    h[3:5] = struct.pack("<H", pages)
    h[6:38] = name.encode().ljust(32)[:32]
    h[43:45] = device_id
    h[45], h[46], h[47] = a, b, c
    h[76] = family
    h[81] = supply
    h[86] = 5
    h[95:115] = file.encode().ljust(20)[:20]
    h[116:131] = device.encode().ljust(15)[:15]
    h[157] = -sum(h[:157]) & 0xFF
    h[158:160] = struct.pack(">H", count)
    return bytes(h)


KINDS = {  # kind: (page size, pages per slot, slot count)
    0: (264, 1024, 1), 2: (512, 512, 8), 3: (256, 1032, 31), 4: (512, 1024, 8),
}


def slot_directory():
    for kind, (page, per_slot, slots) in KINDS.items():
        chain = bytes([kind])
        count = min(slots, 3)
        for i in range(count):
            nxt = (i + 1) * per_slot if slots > 1 else 0xFFFF
            name = "%03d Job %d" % (i + 1, i + 1) if i < 2 else "Empty"
            chain += struct.pack("<H", 0x8000 | i) + header(nxt, per_slot, name)
        put("slot_directory_fuzz", "chain-kind%d" % kind, chain)
    # A link back to the first slot, and a link past the dataflash.
    loop = bytes([2]) + struct.pack("<H", 0x8000) + header(512, 512, "001 A") + struct.pack("<H", 0x8001) + header(0, 512, "002 B")
    put("slot_directory_fuzz", "loop", loop)
    far = bytes([3]) + struct.pack("<H", 0x8000) + header(0xFFF0, 1032, "001 Far")
    put("slot_directory_fuzz", "far-link", far)


def slot_details():
    cases = {
        "pic16": header(0, 1024, "001 Blink", a=0x80, b=0xA9, c=0x00, family=0x04),
        "pic18-hv-limit": header(0, 1024, "001 Line", device="PIC18F4520", device_id=b"\x10\x80", a=0xF2, b=0xA9,
                                 c=0x40, family=0x04, supply=0xFF, count=300),
        "pic18k": header(0, 1024, "001 K22", device="PIC18F46K22", device_id=b"\x54\x00", a=0x1A, c=0x36),
        "pic18j": header(0, 1024, "001 J50", device="PIC18F46J50", device_id=b"\x4C\xA0", a=0x92, c=0x80),
        "pic24": header(0, 1024, "001 GA", device="PIC24FJ64GA002", device_id=b"\x04\x47", c=0x20, family=0x20),
        "dspic30": header(0, 1024, "001 ds", device="dsPIC30F4011", device_id=b"\x01\x01", family=0x21),
        "unknown-device": header(0, 1024, "001 ?", device="NOSUCH", device_id=b"\x27\xA0", a=0x84),
    }
    for i, (name, h) in enumerate(sorted(cases.items())):
        put("slot_details_fuzz", name, bytes([(0, 3, 4, 5)[i % 4]]) + h)


def unit_image():
    # A portable unit image in 1024-byte page units (next page 258) and one
    # in 256-byte units, and an 8-way image: two slots each.
    for name, kind, per_slot, slot_size in (("portable-258", 3, 258, 264192), ("portable-1032", 3, 1032, 264192),
                                            ("8way", 2, 512, 262144), ("single", 0, 1024, 270336)):
        img = bytearray(header(per_slot, per_slot, "001 First"))
        img += bytes([0xFF] * (slot_size - len(img)))
        img += header(2 * per_slot, per_slot, "002 Second") + bytes(range(64))
        put("unit_image_fuzz", name, bytes([kind]) + intel_hex(bytes(img[:160]), 0).encode()[:-13]
            + intel_hex(bytes(img[slot_size:]), slot_size).encode())
    put("unit_image_fuzz", "not-a-unit", bytes([3]) + intel_hex(bytes(range(32))).encode())


def firmware():
    # Plain-line seeds (first byte even): version byte, then Intel HEX records.
    code = bytes((i * 7) & 0xFF for i in range(96))
    put("firmware_file_fuzz", "packed-small", bytes([0, 0xE3]) + intel_hex(code).encode())
    put("firmware_file_fuzz", "packed-high", bytes([2, 0x82]) + intel_hex(code, 0x1FF80).encode())
    put("firmware_file_fuzz", "packed-not-hex", b"\x04\x01S1130000FFFF\r\nnot a record\r\n")
    # File seeds (first byte odd): a check line and enciphered lines.
    put("firmware_file_fuzz", "raw-bad-check", b"\x01" + b"A" * 43 + b"=\r\n0011AABB\r\nC0FFEE\r\n")


def ini_files():
    put("ini_file_fuzz", "settings", "[ProgSettings]\r\nPICFamily=1\r\nDevice=3\r\nFlashFile=/home/u/blink.hex\r\n"
        "LimitPrograms=0\r\n[ProgSettingsUserId]\r\nprogUserId=1\r\n")
    put("ini_file_fuzz", "quotes-comments", "\xEF\xBB\xBF; comment\n[A]\npath=\"C:\\x y\"\n  k = ' v ' \n=none\n[a]\nk=2\n")
    # Regression: a value written in quotes (or with blanks around it) read
    # back without them once the file was saved. File "[A] k=1", then one
    # write of the text value "q v" in quotes to A/k; FuzzedDataProvider
    # takes the choices from the end (existing section, existing key, text).
    put("ini_file_fuzz", "regression-quoted-value", b'[A]\nk=1\\ "q v"\\ ' + bytes([0, 1, 1]))
    put("ini_file_fuzz", "devices", "[PIC16F628A]\nDeviceID=1060\nEEPROMSIZE=128\nColumn=3\n[PIC18F4520]\n"
        "DeviceID=1080\nFlashSize=32768\nType=B\n")


DEVICES = ("[PIC18F4520]\r\nDeviceID=1080\r\nFlashSize=32768\r\nEEPROMSIZE=256\r\nType=B\r\nFuses=FFFF\r\n"
           "[PIC16F628A]\r\nDeviceID=1060\r\nEEPROMSIZE=128\r\nColumn=3\r\n"
           "[PIC18F46J50]\r\nDeviceID=4CA0\r\nFlashSize=65536\r\nType=J\r\nnoLVP=1\r\nis3Vonly=1\r\n"
           "[PIC18F46K22]\r\nDeviceID=5400\r\nEEPROMSIZE=1024\r\nType=K22\r\n"
           "[PIC24FJ64GA002]\r\nDeviceID=0447\r\nType=24FJ\r\nis3Vonly=1\r\n"
           "[dsPIC30F4011]\r\nDeviceID=0101\r\nType=ds30\r\nEEPROMSIZE=1024\r\n")


def device_database():
    put("device_database_fuzz", "six-families", "\x04" + DEVICES)
    put("device_database_fuzz", "portable", "\x03" + DEVICES)
    put("device_database_fuzz", "odd-values", "\x00[PIC16F84A]\nColumn=-1\nEEPROMSIZE=99999999999\nFlashSize=-8\n"
        "RowSize=0\nBlockSize=0\n[PIC16F84A]\nColumn=40\n[]\nDeviceID=\n")


def settings():
    setting = ("[ProgSettings]\r\nPICFamily=1\r\nDevice=2\r\nDevice16=2\r\nFlashFile=/tmp/x/blink.hex\r\n"
               "LimitPrograms=1\r\nProgCount=300\r\nMatchDeviceID=1\r\nSPE=2\r\nDEL=40\r\nDEL2=20\r\nREPEAT=5\r\n"
               "ProgMode=1\r\nKonOld=1\r\n[Recent]\r\nFile1=/tmp/x/a.hex\r\n")
    prog = "[AppSetting]\r\nPCQRX=5.1.0\r\nPCPRIMA=6.2.0\r\nSVERQRX=226\r\n"
    profile = ("[Progprofile]\r\nPICFamily=3\r\nDevice=1\r\nDeviceName=PIC18F46K22\r\nDescription=\"Line 7\"\r\n"
               "ProgramOps=2\r\nProgramMode=0\r\nVDDVoltage=1\r\n")
    # FuzzedDataProvider: strings end at a backslash followed by another
    # character; the kind is taken from the last byte.
    put("settings_fuzz", "all-three", setting + "\\ " + prog + "\\ " + profile + "\x03")
    put("settings_fuzz", "no-files", "\\ \\ \x00")


def sim_state():
    put("sim_state_fuzz", "portable", "kind=3\nhardware=2\nfirmware=portable\nversion=130\ntoken=4660\nsupply=1\n"
        "interface_serial=QRX\ncontroller=atmega128\nfault.busy_every=3\nfault.identity=0x1F28\n"
        "page 0 " + header(1032, 1032, "001 Blink").hex().upper() + "FF" * 96 + "\n")
    put("sim_state_fuzz", "single", "# state\nkind=0\nfirmware=pic\nversion=226\nbinary_pages=0\n"
        "controller=atmega8515\nfuse_low=0xE4\nlock_bits=0xFC\nfault.unplug_after=100\n")
    put("sim_state_fuzz", "8way-bad", "kind=2\nversion=300\npage 99999 00\n")


# ---- version resources (VS_VERSIONINFO) and the executables that carry them
def utf16z(s):
    return (s + "\0").encode("utf-16-le")


def pad4(b):
    return b + b"\0" * (-len(b) % 4)


def node(key, value=b"", children=b"", value_type=1, value_length=None):
    head_len = 6
    body = pad4(struct.pack("<HHH", 0, 0, 0) + utf16z(key))[head_len:]
    data = pad4(value) + children
    total = head_len + len(body) + len(data)
    if value_length is None:
        value_length = len(value) // 2 if value_type == 1 else len(value)
    # Trailing padding of the last value is not counted in wLength.
    length = total - (len(pad4(value)) - len(value) if not children else 0)
    return pad4(struct.pack("<HHH", length, value_length, value_type) + body + data)


def version_block(strings, lang=0x0809, cp=0x04E4, version=(1, 2, 0, 26)):
    ms, ls = version[0] << 16 | version[1], version[2] << 16 | version[3]
    fixed = struct.pack("<13I", 0xFEEF04BD, 0x00010000, ms, ls, ms, ls, 0x3F, 0, 0x40004, 1, 0, 0, 0)
    table = b"".join(node(k, utf16z(v)) for k, v in strings.items())
    sfi = node("StringFileInfo", children=node("%04X%04X" % (lang, cp), children=table))
    vfi = node("VarFileInfo", children=node("Translation", struct.pack("<HH", lang, cp), value_type=0))
    return node("VS_VERSION_INFO", fixed, sfi + vfi, value_type=0, value_length=len(fixed))


def pe_file(block, pe64=False):
    """A minimal PE file: headers and one .rsrc section whose resource
    directory holds RT_VERSION (16) / id 1 / language 0x0809."""
    section_rva, file_align = 0x1000, 0x200
    # Resource directory: root -> type 16 -> name 1 -> language -> data entry.
    def directory(entries):
        return struct.pack("<IIHHHH", 0, 0, 0, 0, 0, len(entries)) + b"".join(
            struct.pack("<II", i, off) for i, off in entries)
    root_at, type_at, name_at, entry_at, data_at = 0, 24, 48, 72, 88
    rsrc = directory([(16, 0x80000000 | type_at)])
    rsrc += directory([(1, 0x80000000 | name_at)])
    rsrc += directory([(0x0809, entry_at)])
    rsrc += struct.pack("<IIII", section_rva + data_at, len(block), 0, 0)
    rsrc += block
    raw_size = len(rsrc) + (-len(rsrc) % file_align)
    opt_size = 240 if pe64 else 224
    dirs = [(0, 0)] * 16
    dirs[2] = (section_rva, len(rsrc))
    if pe64:
        opt = struct.pack("<HBBIIIII", 0x20B, 14, 0, 0, raw_size, 0, 0, 0) + struct.pack("<Q", 0x140000000)
    else:
        opt = struct.pack("<HBBIIIIII", 0x10B, 14, 0, 0, raw_size, 0, 0, 0, 0) + struct.pack("<I", 0x400000)
    opt += struct.pack("<IIHHHHHHIIIIHH", 0x1000, file_align, 6, 0, 0, 0, 6, 0, 0, 0x2000, 0x200, 0, 2, 0)
    opt += struct.pack("<QQQQ", 0x100000, 0x1000, 0x100000, 0x1000) if pe64 else struct.pack(
        "<IIII", 0x100000, 0x1000, 0x100000, 0x1000)
    opt += struct.pack("<II", 0, 16) + b"".join(struct.pack("<II", *d) for d in dirs)
    assert len(opt) == opt_size, len(opt)
    coff = struct.pack("<HHIIIHH", 0x8664 if pe64 else 0x14C, 1, 0, 0, 0, opt_size, 0x0102)
    section = struct.pack("<8sIIIIIIHHI", b".rsrc", len(rsrc), section_rva, raw_size, file_align, 0, 0, 0, 0,
                          0x40000040)
    dos = bytearray(64)
    dos[0:2] = b"MZ"
    dos[0x3C:0x40] = struct.pack("<I", 64)
    headers = bytes(dos) + b"PE\0\0" + coff + opt + section
    headers += b"\0" * (file_align - len(headers))
    return headers + rsrc + b"\0" * (raw_size - len(rsrc))


def elf_file(block):
    """A minimal 64-bit ELF file with a .velmar_version section."""
    names = b"\0.shstrtab\0.velmar_version\0"
    data_at = 64
    names_at = data_at + len(block)
    sh_at = names_at + len(names) + (-(names_at + len(names)) % 8)
    ident = b"\x7fELF" + bytes([2, 1, 1, 0]) + b"\0" * 8
    eh = ident + struct.pack("<HHIQQQIHHHHHH", 1, 62, 1, 0, 0, sh_at, 0, 64, 0, 0, 64, 3, 1)
    def sh(name, kind, off, size):
        return struct.pack("<IIQQQQIIQQ", name, kind, 0, 0, off, size, 0, 0, 1, 0)
    sections = sh(0, 0, 0, 0) + sh(1, 3, names_at, len(names)) + sh(11, 1, data_at, len(block))
    body = eh + block + names
    return body + b"\0" * (sh_at - len(body)) + sections


def version_info():
    strings = {"CompanyName": "Velmar", "FileDescription": "Loader", "FileVersion": "1.2.0.26",
               "ProductVersion": "1.2.0", "Comments": "fuzz seed"}
    block = version_block(strings)
    put("version_info_fuzz", "pe32.exe", pe_file(block))
    put("version_info_fuzz", "pe64.exe", pe_file(version_block({"FileVersion": "2.0"}, 0x0409, 0x04B0), True))
    put("version_info_fuzz", "elf64", elf_file(block))
    put("version_info_fuzz", "mz-only", b"MZ" + b"\0" * 62)


def main():
    slot_directory()
    slot_details()
    unit_image()
    firmware()
    ini_files()
    device_database()
    settings()
    sim_state()
    version_info()
    return 0


if __name__ == "__main__":
    sys.exit(main())
