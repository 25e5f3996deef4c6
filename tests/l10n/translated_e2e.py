#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The real program, translated, on its main screens (the board list, a board, the card
editor, Settings, the tray menu and About), walked by its screenshot mode, which writes every
text shown to a file (STAVELIN_TEXT_DUMP). The account's own data (names, descriptions,
comments: everything the demo's service holds) and what fields hold is left out.

  translated_e2e.py pseudo path/to/stavelin path/to/stavelin_pseudo.qm
      With the pseudo translation loaded, every text must be one whole wrapped message
      "[~ … ~]": an unwrapped text was never translated, one with "~]" inside was pieced
      together from several messages.
  translated_e2e.py german path/to/stavelin path/to/stavelin_de.ts
      Started with LANG=de_DE.UTF-8, and again with LANGUAGE=de under an English LANG: the
      German translation is loaded, German texts show on every screen and no English text
      that has a German translation.
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET


sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from harness import Failure, Service, check, sandbox_credentials, sanitizer_report  # noqa: E402


def wait_for(condition, message, timeout):
    deadline = time.monotonic() + timeout
    while not (found := condition()):
        check(time.monotonic() < deadline, message)
        time.sleep(0.3)
    return found


SCREENS = ["board-list", "board", "card-editor", "settings", "tray-menu", "about"]
LETTER = re.compile(r"[^\W\d_]")
# Dates, times and the calendar's weekday heads in the locale's own words ("Dec 9", "Mar 3, 2027",
# "16 Jan 2027", "9. Dez.", "14:05", "2:05 PM", "Mon").
LOCALE_WORDS = re.compile(
    r"(?:[A-Z][a-z]{2}\.? \d{1,2}(?:, \d{4})?|\d{1,2}\.? [A-Z][a-zä]{2,3}\.?(?: \d{4})?"
    r"|\d{1,2}:\d{2}(?: ?[AP]M)?|Mon|Tue|Wed|Thu|Fri|Sat|Sun)")
# Key combinations ("Ctrl+Alt+T") and the command to bind to one are names, not words.
NOT_WORDS = re.compile(r"(?:[A-Z][a-z]*\+)+\w+|\S*stavelin(?: --demo)? --(?:toggle|quick-add)")


def service_data(base, key, token):
    """Every string the demo's account holds, each line of it, and the initials of names."""
    # The whole account is more requests than the service's limits allow in 10 s: this waits
    # where they are spent (after the screens, so the program is not held up).
    get = Service(base, key, token).get

    found = []

    def strings(value):
        if isinstance(value, str):
            found.append(value)
        elif isinstance(value, list):
            for item in value:
                strings(item)
        elif isinstance(value, dict):
            for item in value.values():
                strings(item)

    strings(get("members/me"))
    for board in get("members/me/boards"):
        strings(board)
        for part in ("labels", "members"):
            strings(get(f"boards/{board['id']}/{part}"))
        lists = get(f"boards/{board['id']}/lists")
        strings(lists)
        for card in (card for each in lists for card in get(f"lists/{each['id']}/cards")):
            strings(card)
            strings(get(f"cards/{card['id']}/checklists"))
            strings(get(f"cards/{card['id']}/attachments"))
            comments = get(f"cards/{card['id']}/actions", filter="commentCard")
            strings(comments)
            for comment in comments:
                strings(get(f"actions/{comment['id']}/reactions"))
    data = set()
    for text in found:
        data.add(text.strip())
        data.update(line.strip() for line in text.splitlines())
        words = text.split()
        if words:
            data.add((words[0][:1] + words[1][:1]).upper() if len(words) > 1 else words[0][:2].upper())
    return data


def shown_texts(binary, scratch, language_env):
    """Runs the screenshot mode once; the texts shown (screen, text, input) and the data."""
    os.makedirs(scratch)
    runtime = os.path.join(scratch, "runtime")
    os.mkdir(runtime, 0o700)
    dump = os.path.join(scratch, "texts.jsonl")
    env = {k: v for k, v in os.environ.items()
           if k not in ("LANGUAGE", "LANG") and not k.startswith("LC_")}
    env.update(STAVELIN_TEST_HOOKS="1", STAVELIN_TEXT_DUMP=dump, XDG_RUNTIME_DIR=runtime,
               XDG_CONFIG_HOME=os.path.join(scratch, "config"),
               XDG_DATA_HOME=os.path.join(scratch, "data"), **language_env)
    # Off screen: nothing to click here, and the shared display stays free for the other tests.
    env["QT_QPA_PLATFORM"] = "offscreen"
    key, token = sandbox_credentials(binary)
    log_path = os.path.join(scratch, "stderr.log")

    def trace(pattern):
        with open(log_path, encoding="utf-8", errors="replace") as log:
            return next((m for m in map(re.compile(rf"stavelin: {pattern}").fullmatch,
                                        log.read().splitlines()) if m), None)

    def texts():
        if not os.path.exists(dump):
            return []
        with open(dump, encoding="utf-8") as file:
            return [json.loads(line) for line in file if line.endswith("\n")]

    with open(log_path, "w", encoding="utf-8") as log:
        program = subprocess.Popen(
            [binary, "--demo", "--screenshot-dir", os.path.join(scratch, "shots")], env=env,
            stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=log)
    try:
        base = wait_for(lambda: trace(r"demo sandbox at (\S+)") or program.poll() is not None,
                        "the demo did not start", 20)
        check(program.poll() is None, "the program ended early")
        wait_for(lambda: any(line["screen"] == "end" for line in texts())
                 or program.poll() is not None, "the screenshot mode did not get to its end", 90)
        check(program.poll() is None, "the program ended early")
        data = service_data(base.group(1), key, token)
        lines = texts()
        loaded = trace(r"translation (.*)")
        translation = loaded.group(1) if loaded else None
    finally:
        # Told to quit as the user would, so that it takes everything down (and a checked build
        # looks for leaks); killed only when it does not follow.
        ended = None
        try:
            program.stdin.write(b"quit\n")
            program.stdin.flush()
            ended = program.wait(30)
        except (OSError, subprocess.TimeoutExpired):
            program.kill()
            program.wait()
    with open(log_path, encoding="utf-8", errors="replace") as log:
        report = sanitizer_report(log.read().splitlines())
    check(report is None, report)
    check(ended == 0, f"the program did not end cleanly when told to quit: {ended}")
    return [line for line in lines if line["screen"] != "end"], data, translation


def own_words(lines, data):
    """The texts that are the program's own words: not data, not what fields hold, not
    numbers or dates, not the program's name."""
    for line in lines:
        text = line["text"].strip()
        if (line["input"] or not LETTER.search(text) or text in data
                or LOCALE_WORDS.fullmatch(text) or text == "Stavelin"
                or NOT_WORDS.fullmatch(text)):
            continue
        yield line["screen"], text


def check_screens(counted, what):
    for screen in SCREENS:
        check(counted.get(screen, 0) > 0, f"no {what} on the {screen} screen")


def pseudo(binary, qm):
    scratch = tempfile.mkdtemp(prefix="stavelin-pseudo-")
    try:
        lines, data, translation = shown_texts(binary, os.path.join(scratch, "run"),
                                               {"LANG": "C.UTF-8", "STAVELIN_TRANSLATION": qm})
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    check(translation == qm, f"the pseudo translation was not loaded ({translation})")
    wrong, counted = [], {}
    for screen, text in own_words(lines, data):
        whole = text.startswith("[~ ") and text.endswith(" ~]")
        inner = text[3:-3]
        if not whole:
            wrong.append(f"{screen}: untranslated: {text!r}")
        elif "~]" in inner or "[~" in inner:
            wrong.append(f"{screen}: pieced together: {text!r}")
        else:
            counted[screen] = counted.get(screen, 0) + 1
    for problem in wrong:
        print(f"FAIL {problem}")
    check(not wrong, f"{len(wrong)} text(s) not shown as one translated message")
    check_screens(counted, "translated text")
    print(f"{sum(counted.values())} translated texts, all whole: {counted}")


def german(binary, ts):
    english, translated = [], set()
    for message in ET.parse(ts).getroot().iter("message"):
        source = message.findtext("source")
        node = message.find("translation")
        forms = [f.text for f in node.iter("numerusform")] or [node.text]
        translated.update(f for f in forms if f and "%" not in f)
        if any(form != source for form in forms) and LETTER.search(re.sub(r"%\w+", "", source)):
            pattern = re.escape(source)
            pattern = re.sub(r"%(?:L?\d+|n)", ".+", pattern)
            english.append((source, re.compile(pattern, re.S)))
    for language in ({"LANG": "de_DE.UTF-8"}, {"LANG": "en_US.UTF-8", "LANGUAGE": "de:fr"}):
        scratch = tempfile.mkdtemp(prefix="stavelin-german-")
        try:
            lines, data, translation = shown_texts(binary, os.path.join(scratch, "run"), language)
        finally:
            shutil.rmtree(scratch, ignore_errors=True)
        check(translation == ":/i18n/stavelin_de.qm", f"{language}: loaded {translation}")
        wrong, counted = [], {}
        for screen, text in own_words(lines, data):
            left = next((source for source, pattern in english if pattern.fullmatch(text)), None)
            if left is not None and text not in translated:
                wrong.append(f"{screen}: English: {text!r}")
            counted[screen] = counted.get(screen, 0) + (text in translated)
        for problem in wrong:
            print(f"FAIL {language}: {problem}")
        check(not wrong, f"{language}: {len(wrong)} English text(s) among the German ones")
        check_screens({s: n for s, n in counted.items() if n}, f"German text ({language})")
        print(f"{language}: German on every screen: {counted}")


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("pseudo", "german"):
        print(__doc__, file=sys.stderr)
        return 2
    binary, file = os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3])
    try:
        (pseudo if sys.argv[1] == "pseudo" else german)(binary, file)
    except Failure as failure:
        print(f"FAIL: {failure}")
        return 1
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
