#!/usr/bin/env python3
"""Assembles the page: one self-contained HTML file per build of the module.

    scripts/build-page.py BUILD_DIR

reads BUILD_DIR/ormakin.{js,wasm} (and ormakin-assertions.*) as the web
preset links them, the page's template, style, script files and words from src/web/page,
the sample courses from examples/courses and examples/ormakin.ini, and
writes BUILD_DIR/ormakin.html and BUILD_DIR/ormakin-assertions.html.

The files travel gzipped and base64-encoded in a JSON block that the page
inflates itself; the scripts and the style are inline, each allowed by its
hash in the page's Content-Security-Policy, which allows nothing else to
load or run.
"""
import base64
import gzip
import hashlib
import json
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
PAGE = ROOT / "src" / "web" / "page"
COURSES = ROOT / "examples" / "courses"
SETTINGS = ROOT / "examples" / "ormakin.ini"
# The module and its WebAssembly together stay below this.
SIZE_LIMIT = 2 * 1024 * 1024
# The page's script, one file a concept, in the order they run: each file
# uses only what the files before it define, or what runs later.
SCRIPT_PARTS = [
    "bundle.js",
    "language.js",
    "save_file.js",
    "view.js",
    "box.js",
    "program.js",
    "menu.js",
    "courses.js",
    "settings_store.js",
    "settings.js",
    "studies.js",
    "workers.js",
    "lint.js",
    "rule_detail.js",
    "sweep.js",
    "tune.js",
    "panel.js",
    "main.js",
]


def packed(data: bytes) -> str:
    return base64.b64encode(gzip.compress(data, compresslevel=9, mtime=0)).decode("ascii")


def digest(text: str) -> str:
    return "'sha256-" + base64.b64encode(hashlib.sha256(text.encode("utf-8")).digest()).decode() + "'"


def inline(text: str, what: str, element: str) -> str:
    """Refuses text that would end its <script> or <style> block early."""
    if f"</{element}" in text.lower() or "<!--" in text:
        sys.exit(f"build-page.py: {what} holds text that would end its inline block")
    return text


def bundle_json(bundle: dict) -> str:
    """The bundle as JSON that cannot end its <script> block: every "<" is
    written as an escape, which JSON reads back as the same character."""
    return json.dumps(bundle, separators=(",", ":")).replace("<", "\\u003c")


def page_script() -> str:
    """The page's script files as one module script. An inline module has no
    URL to import others from, and the policy allows no other script."""
    folder = PAGE / "script"
    listed = set(SCRIPT_PARTS)
    found = {p.name for p in folder.glob("*.js")}
    if found != listed:
        sys.exit(f"build-page.py: {folder} holds {sorted(found - listed)} not in SCRIPT_PARTS,"
                 f" and lacks {sorted(listed - found)}")
    return "\n".join(inline((folder / name).read_text(encoding="utf-8"), name, "script")
                     for name in SCRIPT_PARTS)


def page_words(script: str, template: str) -> dict:
    """The page's own words, one catalogue per language (words.LANG.json).
    Every catalogue has every key, and every key the page's html
    (data-word, data-word-label) or script (words.key) names is there."""
    catalogues = {p.name.split(".")[1]: json.loads(p.read_text(encoding="utf-8"))
                  for p in sorted(PAGE.glob("words.*.json"))}
    keys = set().union(*(c.keys() for c in catalogues.values()))
    problems = [f"words.{language}.json lacks {sorted(keys - set(c))}"
                for language, c in catalogues.items() if keys - set(c)]
    used = set(re.findall(r"data-word(?:-label)?=\"(\w+)\"", template))
    used |= set(re.findall(r"\bwords\.(\w+)", script))
    if used - keys:
        problems.append(f"no catalogue has {sorted(used - keys)}")
    if len(catalogues) < 2 or problems:
        sys.exit("build-page.py: the page's words: " + ("; ".join(problems) or "fewer than two languages"))
    return catalogues


def build(build_dir: pathlib.Path, stem: str) -> None:
    module = (build_dir / f"{stem}.js").read_text(encoding="utf-8")
    wasm = (build_dir / f"{stem}.wasm").read_bytes()
    script = page_script()
    style = (PAGE / "ormakin.css").read_text(encoding="utf-8")
    template = (PAGE / "ormakin.html").read_text(encoding="utf-8")

    bundle = {
        "wasm": packed(wasm),
        "courses": {p.name: packed(p.read_bytes()) for p in sorted(COURSES.glob("*.bmp"))},
        "settings": packed(SETTINGS.read_bytes()),
        # The page's own words, by language.
        "words": page_words(script, template),
    }
    if len(bundle["courses"]) == 0:
        sys.exit(f"build-page.py: no sample courses in {COURSES}")
    code_size = len(module.encode("utf-8")) + len(bundle["wasm"]) + len(script.encode("utf-8"))
    if code_size > SIZE_LIMIT:
        sys.exit(f"build-page.py: the module, its WebAssembly and the script take {code_size} bytes")

    module = inline(module, f"{stem}.js", "script")
    script = inline(script, "the page's script", "script")
    style = inline(style, "ormakin.css", "style")
    policy = "; ".join([
        "default-src 'none'",
        f"script-src {digest(module)} {digest(script)} 'wasm-unsafe-eval'",
        f"style-src {digest(style)}",
        # The lint runs in a worker made from the module's own text.
        "worker-src blob:",
        "base-uri 'none'",
        "form-action 'none'",
    ])
    parts = {
        "CSP": policy,
        "STYLE": style,
        "BUNDLE": bundle_json(bundle),
        "MODULE": module,
        "SCRIPT": script,
    }
    # One pass, so that nothing inserted is taken for a placeholder.
    page = re.sub(r"@(CSP|STYLE|BUNDLE|MODULE|SCRIPT)@", lambda m: parts[m.group(1)], template)
    out = build_dir / f"{stem}.html"
    temporary = out.with_suffix(".html.tmp")
    temporary.write_text(page, encoding="utf-8")
    temporary.replace(out)
    print(f"{out}: {len(page.encode('utf-8'))} bytes (module, WebAssembly and script: {code_size})")


def main() -> None:
    if len(sys.argv) != 2:
        sys.exit("usage: build-page.py BUILD_DIR")
    build_dir = pathlib.Path(sys.argv[1])
    for stem in ("ormakin", "ormakin-assertions"):
        build(build_dir, stem)


if __name__ == "__main__":
    main()
