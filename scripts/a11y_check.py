#!/usr/bin/env python3
"""Starts Korvane on the emulated host and reads its window the way a screen
reader does, over AT-SPI, then checks that every control can be announced.

    a11y_check.py --program build/app/korvane --model rt221 [--timeout 40]
    a11y_check.py --self-test

Run it inside an X display and a D-Bus session with the accessibility bus up
(scripts/a11y_check.sh arranges all of that). Exit codes: 0 every name is
good, 1 a name is missing or wrong (or the program died), 3 the program did
not appear on the accessibility bus in time, 77 pyatspi is not installed.
"""

import argparse
import os
import signal
import subprocess
import sys
import time
from collections import Counter
from dataclasses import dataclass, field
from typing import List, Optional, Tuple

EXIT_OK, EXIT_FAIL, EXIT_TIMEOUT, EXIT_SKIP = 0, 1, 3, 77

RT220_BUTTON = "RT-220Tolvo码报警灯"
RT221_BUTTON = "RT-221 POCSAG 报警灯"
COLUMNS = ("地址码一", "地址码二", "地址码三")
# Groups whose name every control inside them must carry: their captions
# repeat from one group to the next.
NAMING_GROUPS = COLUMNS + ("自定义语音操作", "固化语音操作")

# What the operator reads on each button and check box, or the name the form
# gives it where the caption alone is ambiguous.
COMMON_BUTTONS = [
    "初始化", "下载升级程序", "读取程序版本号",
    "自定义语音操作 格式化WAV", "自定义语音操作 下载语音文件",
    "固化语音操作 格式化WAV", "固化语音操作 下载语音文件",
    "设置接收频率", "读取接收频率", RT220_BUTTON, RT221_BUTTON,
]
COMMON_FIELDS = ["程序版本号", "频率:"]
ROW_LABELS = ("地址码:", "灯颜色:", "灯效果:", "灯时长:", "音效:", "音时长:")

EXPECTED = {
    "rt220": {
        "buttons": COMMON_BUTTONS + ["设置基本参数", "回读基本参数"],
        "fields": COMMON_FIELDS + ["喇叭报警时间:", "喇叭音量:", "信道:", "通信密码:"],
        "checked": RT220_BUTTON,
        "address_codes": False,
    },
    "rt221": {
        "buttons": COMMON_BUTTONS
        + ["喇叭音量: 生效"]
        + [c + " 生效" for c in COLUMNS]
        + ["报警关闭地址: 生效", "设置", "回读"],
        "fields": COMMON_FIELDS
        + ["喇叭音量:"]
        + [c + " " + r for c in COLUMNS for r in ROW_LABELS]
        + ["报警关闭地址:"],
        "checked": RT221_BUTTON,
        "address_codes": True,
    },
}


@dataclass
class Node:
    """One control as the accessibility client sees it."""

    kind: str  # "button", "field", "list", "group", "menu"
    role: str  # the AT-SPI role name, for the report
    name: str
    labels: List[str] = field(default_factory=list)  # names of its labelled-by targets
    showing: bool = True
    box: Tuple[int, int, int, int] = (0, 0, 0, 0)
    checked: bool = False

    def announced(self) -> str:
        """The text a screen reader speaks for the control."""
        if self.kind == "list":
            # A list's own name is its current item; its label says what it is.
            return " ".join(l for l in self.labels if l).strip()
        return self.name.strip() or " ".join(l for l in self.labels if l).strip()

    def centre(self) -> Tuple[float, float]:
        x, y, w, h = self.box
        return (x + w / 2.0, y + h / 2.0)

    def where(self) -> str:
        return "%s at (%d,%d)" % (self.role, self.box[0], self.box[1])


def inside(point: Tuple[float, float], box: Tuple[int, int, int, int]) -> bool:
    x, y, w, h = box
    return w > 0 and h > 0 and x <= point[0] < x + w and y <= point[1] < y + h


def check_window(nodes: List[Node], expected: dict) -> List[str]:
    """Every problem a screen reader user would meet in this window."""
    problems = []
    shown = [n for n in nodes if n.showing]
    buttons = [n for n in shown if n.kind == "button"]
    fields = [n for n in shown if n.kind in ("field", "list")]

    for n in buttons:
        if not n.name.strip():
            problems.append("%s has no name" % n.where())
    for n in fields:
        if n.kind == "list" and not any(l.strip() for l in n.labels):
            problems.append("%s (showing %r) is labelled by nothing" % (n.where(), n.name))
        elif not n.announced():
            problems.append("%s has neither a name nor a label" % n.where())

    def compare(what, found, wanted):
        have, want = Counter(found), Counter(wanted)
        for name in sorted((want - have).elements()):
            problems.append("no %s is announced as %r" % (what, name))
        for name in sorted((have - want).elements()):
            if name:
                problems.append("unexpected %s name %r" % (what, name))

    compare("button", [n.name.strip() for n in buttons if n.name.strip()], expected["buttons"])
    compare("field", [n.announced() for n in fields if n.announced()], expected["fields"])

    for name, count in sorted(Counter(n.announced() for n in fields).items()):
        if name and count > 1:
            problems.append("%d fields share the name %r" % (count, name))

    # Repeated captions are told apart by the group around them.
    groups = [g for g in shown if g.kind == "group" and g.name in NAMING_GROUPS]
    for n in buttons + fields:
        said = n.announced()
        around = [g.name for g in groups if inside(n.centre(), g.box)]
        for g in around:
            if not said.startswith(g + " "):
                problems.append("%r lies in the group %r but does not say so" % (said, g))
        for g in NAMING_GROUPS:
            if said.startswith(g + " ") and g not in around:
                problems.append("%r is not inside the group %r it names" % (said, g))
    if expected["address_codes"]:
        present = {g.name for g in groups}
        for c in COLUMNS:
            if c not in present:
                problems.append("the group %r is not shown" % c)

    checked = [n.name for n in buttons if n.checked and n.name in (RT220_BUTTON, RT221_BUTTON)]
    if checked != [expected["checked"]]:
        problems.append("model buttons checked: %r, expected only %r" % (checked, expected["checked"]))

    for n in nodes:
        if n.kind == "menu" and not n.name.strip():
            problems.append("a menu item has no name")
    return problems


@dataclass
class Dialog:
    """A message box or dialog as the client reads it."""

    role: str
    name: str
    texts: List[str]
    buttons: List[str]


def check_dialog(d: Optional[Dialog], title: str, text: str, button: str) -> List[str]:
    if d is None:
        return ["no window titled %r came up" % title]
    problems = []
    if d.name != title:
        problems.append("the %s is announced as %r, not %r" % (d.role, d.name, title))
    if text not in d.texts:
        problems.append("the %s %r does not read %r (it reads %r)" % (d.role, title, text, d.texts))
    if not d.buttons or any(not b.strip() for b in d.buttons):
        problems.append("a button of the %s %r has no name: %r" % (d.role, title, d.buttons))
    elif button not in d.buttons:
        problems.append("the %s %r has no button %r: %r" % (d.role, title, button, d.buttons))
    return problems


# ---- reading the live tree over AT-SPI -------------------------------------

BUTTON_ROLES = ("push button", "toggle button", "radio button", "check box")
FIELD_ROLES = ("text", "password text", "entry", "spin button")


def read_tree(frame, pyatspi) -> List[Node]:
    nodes = []

    def labels_of(acc):
        out = []
        for rel in acc.getRelationSet():
            if rel.getRelationType() == pyatspi.RELATION_LABELLED_BY:
                for i in range(rel.getNTargets()):
                    out.append(rel.getTarget(i).name or "")
        return out

    def visit(acc):
        role = acc.getRoleName()
        state = acc.getState()
        kind = None
        if role in BUTTON_ROLES:
            kind = "button"
        elif role in FIELD_ROLES:
            kind = "field"
        elif role == "combo box":
            kind = "list"
        elif role == "panel":
            kind = "group"
        elif role == "menu item":
            kind = "menu"
        if kind:
            try:
                e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                box = (e.x, e.y, e.width, e.height)
            except NotImplementedError:
                box = (0, 0, 0, 0)
            nodes.append(Node(kind, role, acc.name or "", labels_of(acc),
                              state.contains(pyatspi.STATE_SHOWING), box,
                              state.contains(pyatspi.STATE_CHECKED)))
        # A list's items and its own edit belong to it; a menu item's
        # popup holds the items under it.
        if kind == "list":
            return
        for child in acc:
            if child is not None:
                visit(child)

    visit(frame)
    return nodes


def find_node(root, role: str, name: str):
    """The first showing node of this role and name under root."""
    stack = [root]
    while stack:
        acc = stack.pop()
        if acc is None:
            continue
        if acc.getRoleName() == role and acc.name == name:
            return acc
        if acc.getRoleName() != "combo box":
            stack.extend(reversed(list(acc)))
    return None


def press(acc) -> None:
    """Presses a control through its action. A press that opens a modal
    window answers only once that window closes, so no answer is waited for."""
    try:
        acc.queryAction().doAction(0)
    except Exception:
        pass


def read_dialog(top) -> Dialog:
    texts, buttons = [], []
    stack = [top]
    while stack:
        acc = stack.pop()
        if acc is None:
            continue
        role = acc.getRoleName()
        if role == "label":
            texts.append(acc.name or "")
        elif role == "push button":
            buttons.append(acc.name or "")
        stack.extend(reversed(list(acc)))
    return Dialog(top.getRoleName(), top.name or "", texts, buttons)


def open_window(app, title: str, deadline: float, pyatspi):
    """Waits for a top-level window of this title beside the main frame."""
    while time.monotonic() < deadline:
        try:
            for top in app:
                if top is not None and top.name == title and \
                        top.getRoleName() in ("dialog", "alert", "frame") and \
                        top.getState().contains(pyatspi.STATE_SHOWING):
                    return top
        except Exception:
            pass
        time.sleep(0.2)
    return None


def check_dialogs(app, frame, model: str, pyatspi) -> List[str]:
    """Opens a message box and the About box the way an operator would, reads
    them and closes them again through their buttons."""
    problems = []
    cases = []
    # A frequency that is not a number is refused with a message box.
    freq = find_node(frame, "text", "频率:")
    setter = find_node(frame, "push button", "设置接收频率")
    if freq is None or setter is None:
        problems.append("the frequency field or its set button cannot be found")
    else:
        cases.append((lambda: (freq.queryEditableText().setTextContents("abc"), press(setter)),
                      "Korvane", "请输入一个数字。", "确定"))
    about = find_node(frame, "menu item", "关于 Korvane(A)...")
    if about is None:
        problems.append("the help menu has no item '关于 Korvane(A)...'")
    else:
        note = "模拟主机 " + model.upper().replace("RT", "RT-")
        cases.append((lambda: press(about), "关于 Korvane", note, "确定"))
    for open_it, title, text, button in cases:
        pyatspi.setTimeout(1000, 1000)
        open_it()
        pyatspi.setTimeout(5000, 15000)
        top = open_window(app, title, time.monotonic() + 10, pyatspi)
        d = read_dialog(top) if top is not None else None
        problems += check_dialog(d, title, text, button)
        if top is None:
            continue
        ok = find_node(top, "push button", button)
        if ok is None:
            continue  # reported above; the program is stopped with it open
        press(ok)
        gone = time.monotonic() + 10
        while time.monotonic() < gone and top.getState().contains(pyatspi.STATE_SHOWING):
            time.sleep(0.2)
        if top.getState().contains(pyatspi.STATE_SHOWING):
            problems.append("the %r window did not close from its button" % title)
    return problems


class Program:
    """The window under test, started on the emulated host."""

    def __init__(self, path: str, model: str, workdir: str):
        env = dict(os.environ)
        env["QT_QPA_PLATFORM"] = "xcb"
        env["QT_ACCESSIBILITY"] = "1"
        env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        # Qt's own allocations at exit are not ours to chase here.
        asan = env.get("ASAN_OPTIONS", "")
        env["ASAN_OPTIONS"] = (asan + ":" if asan else "") + "detect_leaks=0"
        self.log_path = os.path.join(workdir, "korvane-%s.log" % model)
        self.log = open(self.log_path, "wb")
        self.proc = subprocess.Popen([path, "--emulate", model], cwd=workdir, env=env,
                                     stdin=subprocess.DEVNULL, stdout=self.log,
                                     stderr=subprocess.STDOUT)

    def log_tail(self, lines: int = 20) -> str:
        self.log.flush()
        with open(self.log_path, "rb") as f:
            text = f.read().decode("utf-8", "replace").splitlines()
        if not text:
            return "    (it printed nothing)"
        return "\n".join("    " + l for l in text[-lines:])

    def sanitizer_report(self) -> bool:
        with open(self.log_path, "rb") as f:
            text = f.read().decode("utf-8", "replace")
        return "ERROR: AddressSanitizer" in text or ": runtime error: " in text

    def stop(self) -> None:
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.log.close()


def find_window(program: Program, expected: dict, deadline: float, pyatspi):
    """The program's main frame once it shows the model asked for, or why not."""
    while time.monotonic() < deadline:
        if program.proc.poll() is not None:
            return None, None, ("exited with status %d before its window could be read"
                                % program.proc.returncode)
        try:
            desktop = pyatspi.Registry.getDesktop(0)
            for app in desktop:
                if app is None or app.get_process_id() != program.proc.pid:
                    continue
                for frame in app:
                    if frame is None or frame.getRoleName() != "frame":
                        continue
                    nodes = read_tree(frame, pyatspi)
                    model_ok = any(n.checked and n.name == expected["checked"] for n in nodes)
                    columns = any(n.kind == "group" and n.showing and n.name == COLUMNS[0]
                                  for n in nodes)
                    if model_ok and columns == expected["address_codes"]:
                        return app, frame, None
        except Exception:  # the tree changes while the window builds up
            pass
        time.sleep(0.3)
    return None, None, "did not show its window on the accessibility bus in time"


def run_live(args) -> int:
    try:
        import pyatspi
    except ImportError:
        print("a11y_check: SKIP: python3-pyatspi is not installed")
        return EXIT_SKIP
    # A call into a stuck program fails after this long instead of hanging.
    try:
        pyatspi.setTimeout(5000, 15000)
    except Exception:
        pass
    # Stopped from outside (the run's time limit): still stop the program.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(EXIT_TIMEOUT))
    expected = EXPECTED[args.model]
    workdir = args.workdir or os.getcwd()
    program = Program(args.program, args.model, workdir)
    try:
        app, frame, why = find_window(program, expected, time.monotonic() + args.timeout,
                                      pyatspi)
        if frame is None:
            print("a11y_check: %s: korvane %s" % (args.model, why))
            print(program.log_tail())
            return EXIT_FAIL if program.proc.poll() is not None else EXIT_TIMEOUT
        time.sleep(0.5)  # let the first connection poll settle
        nodes = read_tree(frame, pyatspi)
        dialog_problems = check_dialogs(app, frame, args.model, pyatspi)
        if program.proc.poll() is not None:
            print("a11y_check: %s: korvane exited with status %d while being read"
                  % (args.model, program.proc.returncode))
            print(program.log_tail())
            return EXIT_FAIL
    finally:
        program.stop()

    problems = check_window(nodes, expected) + dialog_problems
    if program.sanitizer_report():
        problems.append("the program reported a memory or undefined-behaviour error:\n"
                        + program.log_tail(40))
    shown = [n for n in nodes if n.showing]
    print("a11y_check: %s: %d buttons, %d fields, %d menu items, a message box and the "
          "About box read over AT-SPI"
          % (args.model, sum(n.kind == "button" for n in shown),
             sum(n.kind in ("field", "list") for n in shown),
             sum(n.kind == "menu" for n in nodes)))
    if args.verbose:
        for n in shown:
            if n.kind in ("button", "field", "list"):
                print("    %-14s %s" % (n.role, n.announced()))
    for p in problems:
        print("  FAIL: " + p)
    print("a11y_check: %s: %s" % (args.model, "FAILED" if problems else "ok"))
    return EXIT_FAIL if problems else EXIT_OK


# ---- the rules against windows with known faults ----------------------------

def sample_window(model: str) -> List[Node]:
    """A window as the client reads it when every name is right."""
    nodes = []
    exp = EXPECTED[model]
    for name in exp["buttons"]:
        nodes.append(Node("button", "push button", name, checked=(name == exp["checked"])))
    for name in exp["fields"]:
        nodes.append(Node("field", "text", name, [name]))
    nodes.append(Node("menu", "menu item", "文件(F)"))
    groups = list(NAMING_GROUPS if exp["address_codes"] else NAMING_GROUPS[len(COLUMNS):])
    for i, g in enumerate(groups):
        box = (100 + 110 * i, 50, 100, 200)
        members = [n for n in nodes if n.name.startswith(g + " ")]
        nodes.append(Node("group", "panel", g, box=box))
        for row, n in enumerate(members):
            n.box = (box[0] + 10, box[1] + 10 + 20 * row, 50, 8)
    # The colour lists: named by their current item, labelled by their row.
    for n in nodes:
        if n.name.endswith("灯颜色:"):
            n.kind, n.role, n.labels, n.name = "list", "combo box", [n.name], "红色"
    return nodes


def self_test() -> int:
    failures = 0

    def expect(title, nodes, model, fragment):
        nonlocal failures
        problems = check_window(nodes, EXPECTED[model])
        ok = (not problems) if fragment is None else any(fragment in p for p in problems)
        if not ok:
            failures += 1
            print("self-test FAIL: %s: %r" % (title, problems))

    for model in EXPECTED:
        expect("a good %s window" % model, sample_window(model), model, None)

    w = sample_window("rt220")
    next(n for n in w if n.name == "初始化").name = ""
    expect("a button without a name", w, "rt220", "push button at (0,0) has no name")

    w = sample_window("rt220")
    next(n for n in w if n.name == "固化语音操作 格式化WAV").name = "格式化WAV"
    expect("a caption that repeats unqualified", w, "rt220", "'固化语音操作 格式化WAV'")

    w = sample_window("rt220")
    hidden = next(n for n in w if n.name == "设置基本参数")
    hidden.name, hidden.showing = "", False
    w.append(Node("button", "push button", "设置基本参数"))
    expect("a hidden control is not read", w, "rt220", None)

    w = sample_window("rt221")
    lists = [n for n in w if n.kind == "list"]
    for n in lists:
        n.labels = ["灯颜色:"]
    expect("three colour lists labelled alike", w, "rt221", "3 fields share the name '灯颜色:'")

    w = sample_window("rt221")
    colour = next(n for n in w if n.kind == "list")
    colour.labels = []
    expect("a list with no label", w, "rt221", "is labelled by nothing")

    w = sample_window("rt221")
    one = next(n for n in w if n.labels == ["地址码一 灯颜色:"])
    two = next(n for n in w if n.labels == ["地址码二 灯颜色:"])
    one.box, two.box = two.box, one.box
    expect("columns swapped between groups", w, "rt221", "lies in the group '地址码二'")

    w = sample_window("rt221")
    field_ = next(n for n in w if n.name == "地址码三 音效:")
    field_.name, field_.labels = "", []
    expect("an edit with neither name nor label", w, "rt221", "neither a name nor a label")

    w = sample_window("rt221")
    field_ = next(n for n in w if n.name == "频率:")
    field_.name = ""
    expect("an edit named through its label", w, "rt221", None)

    w = sample_window("rt221")
    for n in w:
        n.checked = n.name == RT220_BUTTON
    expect("the wrong model checked", w, "rt221", "model buttons checked")

    w = sample_window("rt221")
    w.append(Node("menu", "menu item", ""))
    expect("a menu item without a name", w, "rt221", "menu item has no name")

    def expect_dialog(title, d, fragment):
        nonlocal failures
        problems = check_dialog(d, "关于 Korvane", "模拟主机 RT-221", "确定")
        ok = (not problems) if fragment is None else any(fragment in p for p in problems)
        if not ok:
            failures += 1
            print("self-test FAIL: %s: %r" % (title, problems))

    good = ["Korvane 1.0 版", "模拟主机 RT-221"]
    expect_dialog("a good About box", Dialog("dialog", "关于 Korvane", good, ["确定"]), None)
    expect_dialog("no About box", None, "no window titled")
    expect_dialog("an untitled box", Dialog("dialog", "", good, ["确定"]), "announced as ''")
    expect_dialog("the wrong host named", Dialog("dialog", "关于 Korvane", good[:1] + ["模拟主机 RT-220"],
                                                  ["确定"]), "does not read '模拟主机 RT-221'")
    expect_dialog("an unnamed button", Dialog("dialog", "关于 Korvane", good, ["确定", ""]),
                  "has no name")

    print("a11y_check self-test: %s" % ("FAILED" if failures else "ok"))
    return EXIT_FAIL if failures else EXIT_OK


def main() -> int:
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--program")
    p.add_argument("--model", choices=sorted(EXPECTED))
    p.add_argument("--timeout", type=float, default=40.0)
    p.add_argument("--workdir")
    p.add_argument("--verbose", action="store_true")
    p.add_argument("--self-test", action="store_true")
    args = p.parse_args()
    if args.self_test:
        return self_test()
    if not args.program or not args.model:
        p.error("--program and --model are needed")
    return run_live(args)


if __name__ == "__main__":
    sys.exit(main())
