#!/usr/bin/env python3
"""Writes the device templates PX<V>0.PXT and PX<V>1.PXT into data/.

Each template (a device table PLATES name) gets an operation section of 34 lines (slots 0-33, in
slot order) and a task-row section "T"+name. What the operation values mean to the box is
described in docs/box-operations.md; the slot numbers are those the host's operation runner
gives each region. Run again after changing a template below.
"""
import argparse
import os

ZERO = ",".join(["0"] * 17)

SLOT_NAMES = [
    "Erase Device", "Blank Check Code", "Blank Check EE", "Blank Check ID", "Blank Check Config",
    "Program Code", "Program EE", "Program Calibration", "Program ID", "Verify Code", "Verify EE",
    "Verify Calibration", "Verify ID", "Serial Number Code", "Serial Number EE", "Program Config",
    "Verify Config", "Read Code", "Read EE", "Read Calibration", "Read ID", "Read Config",
    "Read XCAL", "Read Calibration XCAL", "Program XCAL", "Program Calibration XCAL", "Verify XCAL",
    "Verify Calibration XCAL", "Erase EE", "Program Config Masks", "Read Backup Calibration",
    "Program Backup Calibration", "Verify Backup Calibration", "Spare",
]

# Programming command codes per family, as the scripts list them (documentation for the box).
FAMILY = {
    "5X": dict(byte=0x05, code=0x0FFF, id=0x0FFF, erase=[0x09], load=0x02, read=0x04, inc=0x06,
               prog=[0x08, 0x0E], eeload=None, eeread=None, cfg=[0x02, 0x08, 0x0E]),
    "XX": dict(byte=0x14, code=0x3FFF, id=0x3FFF, erase=[0x00, 0x09, 0x0B], load=0x02, read=0x04,
               inc=0x06, prog=[0x08], eeload=0x03, eeread=0x05, cfg=[0x00, 0x02, 0x08]),
    "18X": dict(byte=0x18, code=0xFFFF, id=0x00FF, erase=[0x00, 0x0C, 0x00], load=0x0D, read=0x09,
                inc=0x00, prog=[0x0F], eeload=0x0C, eeread=0x02, cfg=[0x00, 0x0F, 0x00]),
}


def script(fam, *codes):
    data = [FAMILY[fam]["byte"]] + [c for c in codes if c is not None]
    assert 0x93 not in data and len(data) <= 32
    return "".join("%02X" % b for b in data)


def marked(scr):
    """A script whose first 0x93 byte is followed by a 24-bit address the host fills in."""
    return scr + "93000000"


def op(opcode, pulse, rule, unit, mask, scr, power=0, count=0, flags=0, wblock=0, etime=0):
    values = [1, opcode, pulse, 0, rule, unit, 0, count, "%02X" % (mask & 0xFF), "%02X" % (mask >> 8),
              flags, wblock, etime, 0, 0, scr, "%X" % power]
    text = ",".join(str(v) for v in values)
    assert len(text) >= 33 and len(values) == 17
    return text


def operations(t):
    """The 34 operation lines of template t (a dict)."""
    fam = t["core"]
    f = FAMILY[fam]
    s = lambda *c: script(fam, *c)
    pulse, etime = t["pulse"], t["etime"]
    wblock = 2 * t.get("paw", 1)
    ee = t.get("ee", False)
    flash = t.get("flash", True)
    cal = t.get("cal", False)
    bcal = t.get("bcal", False)
    xcal = t.get("xcal", False)
    calmask = t.get("calmask", f["code"])
    multi = t.get("cfgwords", 1) > 1
    id_rule = 2 if fam == "5X" else 0
    id_unit = 1 if fam == "18X" else 0
    is18 = fam == "18X"
    cfg_rule = 5 if (is18 and multi) else 0
    code = f["code"]
    read = [f["read"], f["inc"]]
    prog = [f["load"]] + f["prog"] + [f["inc"]]
    eeprog = [f["eeload"]] + f["prog"] + [f["inc"]]
    eeread = [f["eeread"], f["inc"]]
    cfgp = f["cfg"] + [f["inc"]]
    L = [ZERO] * 34
    if flash:
        L[0] = op(0x10, 0, 0, 0, code, s(*f["erase"]), power=0xA000, etime=etime)
    L[1] = op(0x21, 0, 0, 0, code, s(*read), flags=0x10)
    if ee and flash:
        L[2] = (op(0x22, 0, 1, 1, 0x00FF, s(*eeread), flags=0x08) if is18
                else op(0x22, 0, 2, 0, 0x00FF, s(*eeread)))
    L[3] = op(0x23, 0, id_rule, id_unit, f["id"], s(*read))
    L[4] = op(0x24, 0, 0, 2, code, s(*read))
    # 18X code writes count write groups in bytes 2-4 (rule 6), the other families words.
    L[5] = op(0x31, pulse, 6 if is18 else 0, 0, code, s(*prog), wblock=wblock, etime=etime)
    if ee:
        L[6] = (op(0x32, pulse, 0, 0, 0x00FF, s(*eeprog)) if is18
                else op(0x32, pulse, 2, 0, 0x00FF, s(*eeprog)))
    if cal:
        L[7] = op(0x35, pulse, 3, 0, calmask, s(*prog))
    L[8] = op(0x33, pulse, id_rule, id_unit, f["id"], s(*prog))
    L[9] = op(0x41, 0, 0, 0, code, s(*read))
    if ee:
        L[10] = (op(0x42, 0, 1, 1, 0x00FF, s(*eeread), flags=0x08) if is18
                 else op(0x42, 0, 2, 0, 0x00FF, s(*eeread)))
    if cal:
        L[11] = op(0x45, 0, 3, 0, calmask, s(*read))
    L[12] = op(0x43, 0, id_rule, id_unit, f["id"], s(*read))
    # On 18X parts the host places the serial number through the script's address marker.
    sn = marked if is18 else (lambda scr: scr)
    L[13] = op(0x31, pulse, 2, 0, code, sn(s(*prog)), wblock=wblock)
    if ee:
        L[14] = (op(0x32, pulse, 2, 1, 0x00FF, sn(s(*eeprog)), flags=0x08) if is18
                 else op(0x32, pulse, 2, 0, 0x00FF, s(*eeprog)))
    L[15] = op(0x34, pulse, cfg_rule, 2, code, s(*cfgp), power=0x8000)
    L[16] = op(0x44, 0, 0, 2, code, s(*read))
    L[17] = op(0x51, 0, 0, 0, code, s(*read))
    if ee:
        L[18] = (op(0x52, 0, 1, 1, 0x00FF, s(*eeread), flags=0x08) if is18
                 else op(0x52, 0, 2, 0, 0x00FF, s(*eeread)))
    if cal:
        L[19] = op(0x55, 0, 3, 0, calmask, s(*read), power=0x4000)
    L[20] = op(0x53, 0, 1 if is18 else id_rule, id_unit, f["id"], s(*read))
    L[21] = op(0x54, 0, 0, 2, code, s(*read))
    if xcal:
        L[22] = op(0x54, 0, 0, 2, code, s(f["cfg"][0], *read), power=0x4000)
        L[23] = op(0x55, 0, 3, 0, calmask, s(*read), power=0x4000)
        L[24] = op(0x34, pulse, 0, 2, code, s(*cfgp))
        L[25] = op(0x35, pulse, 3, 0, calmask, s(*prog))
        L[26] = op(0x44, 0, 0, 2, code, s(f["cfg"][0], *read))
        L[27] = op(0x45, 0, 3, 0, calmask, s(*read))
    if ee and flash:
        L[28] = op(0x12, 0, 0, 0, 0x00FF, s(*f["erase"]), power=0xA000, etime=etime)
    L[29] = op(0x34, pulse, 5 if multi else 0, 2, code, s(*cfgp), power=0x8000)
    if bcal:
        L[30] = op(0x56, 0, 4, 0, calmask, s(*read), power=0x4000)
        L[31] = op(0x36, pulse, 4, 0, calmask, s(*prog))
        L[32] = op(0x46, 0, 4, 0, calmask, s(*read))
    return ["%s=%s" % (SLOT_NAMES[n], L[n]) for n in range(34)]


def task_tree(t):
    """(level, code, steps) rows in tree order; group rows' steps are task codes."""
    ee, flash = t.get("ee", False), t.get("flash", True)
    cal, bcal, xcal = t.get("cal", False), t.get("bcal", False), t.get("xcal", False)
    erase_rows = []
    if flash:
        if xcal:
            erase_rows = [(2, 2, [22, 19]), (2, 3, [0]), (2, 34, [7, 24])]
        elif bcal:
            erase_rows = [(2, 6, [19, 30]), (2, 3, [0]), (2, 34, [7, 31])]
        elif cal:
            erase_rows = [(2, 6, [19]), (2, 3, [0]), (2, 34, [7])]
        else:
            erase_rows = [(2, 3, [0])]
    program = [(2, 13, [5])] + ([(2, 14, [6])] if ee else []) + [(2, 16, [8])]
    verify = [(2, 19, [9])] + ([(2, 20, [10])] if ee else []) + [(2, 22, [12])]
    serialize = [(2, 25, [13])] + ([(2, 26, [14])] if ee else [])
    config = [(2, 17, [15]), (2, 23, [16])]
    blank = [(1, 8, [1])] + ([(1, 9, [2])] if ee and flash else []) + [(1, 10, [3]), (1, 11, [4])]
    read = [(1, 28, [17])] + ([(1, 29, [18])] if ee else []) + ([(1, 30, [19])] if cal else []) + \
        [(1, 31, [20]), (1, 32, [21])]

    def group(level, code, children):
        return [(level, code, [c for (_, c, _) in children], len(children))] + \
            [(lv, c, st, 0) for (lv, c, st) in children]

    # The Auto Run row lists the task codes of the rows it runs, in order: the erase (or, for
    # parts that cannot be erased, the blank check), program, verify, serial-number and
    # configuration-word tasks. Its subtree shows them grouped by cycle.
    auto_children = []
    auto_steps = []
    if flash:
        auto_children += group(1, 1, erase_rows)
        auto_steps += [c for (_, c, _) in erase_rows]
    else:
        auto_steps += [c for (_, c, _) in blank]
    for code, rows in ((12, program), (18, verify), (24, serialize), (33, config)):
        auto_children += group(1, code, rows)
        auto_steps += [c for (_, c, _) in rows]
    auto = [(0, 0, auto_steps, len(auto_children))]
    # A group's subtree count covers its whole subtree.
    rows = auto + [(lv, c, st, b) for (lv, c, st, b) in auto_children]
    rows += group(0, 7, blank) + group(0, 27, read)
    return rows


def task_lines(t):
    out = []
    for j, (level, code, steps, b) in enumerate(task_tree(t)):
        out.append("%d=%d,%d,%d,1,%d%s" % (j, code, level, b, len(steps),
                                          "".join("," + str(s) for s in steps)))
    return out


TEMPLATES = [
    # name, file, properties (from the devices' datasheets: pulse in 100 us, erase time in ms)
    ("P16F87XA", 0, dict(core="XX", ee=True, paw=8, pulse=10, etime=10)),
    ("P16F87X", 0, dict(core="XX", ee=True, pulse=40, etime=10)),
    ("P16F84A", 0, dict(core="XX", ee=True, pulse=40, etime=10)),
    ("P16F62XA", 0, dict(core="XX", ee=True, pulse=40, etime=10)),
    ("P16F88", 0, dict(core="XX", ee=True, paw=4, pulse=10, etime=10, cfgwords=2)),
    ("P12F6XX", 0, dict(core="XX", ee=True, pulse=40, etime=10, cal=True, xcal=True, calmask=0x3FFF)),
    ("P12F5XX", 0, dict(core="5X", pulse=20, etime=10, cal=True, bcal=True, calmask=0x0FFF)),
    ("P10F20X", 0, dict(core="5X", pulse=20, etime=10, cal=True, bcal=True, calmask=0x0FFF)),
    ("P16F5X", 0, dict(core="5X", paw=4, pulse=20, etime=10)),
    ("P16C5X", 0, dict(core="5X", flash=False, pulse=1, etime=0)),
    ("P12C5XX", 0, dict(core="5X", flash=False, pulse=1, etime=0, cal=True, calmask=0x0FFF)),
    ("P18FXX2", 0, dict(core="18X", ee=True, paw=4, pulse=10, etime=5, cfgwords=7)),
    ("P18FXX5X", 1, dict(core="18X", ee=True, paw=16, pulse=10, etime=5, cfgwords=7)),
]

NODE_NAMES = [
    (0, "Auto Run", "Auto Run Program Cycle"), (1, "Erase", "Erase MCU"),
    (2, "Read XCAL", "Read Extra Calibration Bits"), (3, "Bulk Erase", "Bulk Erase Device"),
    (4, "Clear Config", "Clear Configuration Words"), (5, "Erase EE", "Erase EE Data Memory"),
    (6, "Save Cal", "Save Calibration Data"), (7, "Blank Check", "Blank Check MCU"),
    (8, "Code", "Blank Check Code Memory"), (9, "EE Data", "Blank Check EE Data"),
    (10, "ID", "Blank Check ID Locations"), (11, "Config", "Blank Check Configuration Words"),
    (12, "Program", "Program MCU"), (13, "Code", "Program Code Memory"),
    (14, "EE Data", "Program EE Data"), (15, "Calibration", "Program Calibration Data"),
    (16, "ID", "Program ID Locations"), (17, "Config", "Program Configuration Words"),
    (18, "Verify", "Verify MCU"), (19, "Code", "Verify Code Memory"), (20, "EE Data", "Verify EE Data"),
    (21, "Calibration", "Verify Calibration Data"), (22, "ID", "Verify ID Locations"),
    (23, "Config", "Verify Configuration Words"), (24, "Serialize", "Serialize MCU"),
    (25, "Code S/N", "Serial Number into Code Memory"), (26, "EE S/N", "Serial Number into EE Data"),
    (27, "Read", "Read MCU"), (28, "Code", "Read Code Memory"), (29, "EE Data", "Read EE Data"),
    (30, "Calibration", "Read Calibration Data"), (31, "ID", "Read ID Locations"),
    (32, "Config", "Read Configuration Words"), (33, "Config Word", "Configuration Word"),
    (34, "Restore Cal", "Restore Calibration Data"), (35, "Config Words", "Program Configuration Words"),
]


def write_file(path, which, version, date):
    lines = [
        "; PX%d%d.PXT - Praxon device templates, file %d of table version %d" % (version, which, which, version),
        ";",
        "; Per template P (the PLATES name of a device): section \"T\"+P holds the task rows and section",
        "; P the programmer operations. A template is looked up in PX%d0.PXT first and in PX%d1.PXT" % (version, version),
        "; second; its task rows take their node names from the NodeNames section of the file that",
        "; holds them (\"code=name,description\").",
        ";",
        "; Operation line, one per slot in slot order: name=presence,operation code,base pulse,",
        "; socket ordinals,count rule,item unit,(unused),count,mask low,mask high (hex),flags,",
        "; write block,erase time,free,free,script (hex pairs),power mode (hex). docs/box-operations.md",
        "; says what the box does with each value.",
        "; Task row: n=code,level,rows in its subtree,enabled,step count,steps... (group rows list task",
        "; codes, task rows operation slots).",
        "; Written by tools/make-templates.py.",
        "",
        "[PRAXON]",
        "VERSION=%d" % version,
        "SOFTWARE=Version 2.8.0",
        "DATE=%s" % date,
        "",
        "[NodeNames]",
    ]
    lines += ["%d=%s,%s" % n for n in NODE_NAMES]
    for name, where, props in TEMPLATES:
        if where != which:
            continue
        lines += ["", "[T%s]" % name] + task_lines(props)
        lines += ["", "[%s]" % name] + operations(props)
    with open(path, "w", newline="\n") as fh:
        fh.write("\n".join(lines) + "\n")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--version", type=int, default=280)
    ap.add_argument("--date", default="2026-12-01")
    ap.add_argument("--out", default=os.path.join(os.path.dirname(__file__), "..", "data"))
    a = ap.parse_args()
    for which in (0, 1):
        write_file(os.path.join(a.out, "PX%d%d.PXT" % (a.version, which)), which, a.version, a.date)


if __name__ == "__main__":
    main()
