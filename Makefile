# Every target sets itself up (compiler warnings are errors in these builds): it finds CPython 3.12, makes .venv, installs the
# pinned build and test dependencies and builds the module. A second run with
# nothing changed only re-runs the tests or the demo.

SHELL := /bin/bash
VENV := .venv
PY := $(VENV)/bin/python
ASAN_VENV := .venv-asan
ASAN_PY := $(ASAN_VENV)/bin/python
ACES_VENV := .venv-aces
ACES_VERSION := 0.7.3
SOURCES := $(shell find src tests/cpp -name '*.cpp' -o -name '*.hpp') $(shell find tidemark_corpus tidemark-stubs -name '*.py' -o -name '*.pyi' -o -name py.typed) CMakeLists.txt pyproject.toml

# CPython 3.12: pyenv's prefix, then pyenv's versions folder, then python3.12 on PATH.
find_python = for c in "$$(pyenv prefix 3.12 2>/dev/null | head -n 1)/bin/python3.12" \
	  $$HOME/.pyenv/versions/3.12*/bin/python3.12 "$$(command -v python3.12 2>/dev/null)"; do \
	  if [ -x "$$c" ] && "$$c" -c 'import sys; sys.exit(sys.version_info[:2] != (3, 12))' 2>/dev/null; then \
	    echo "$$c"; exit 0; fi; done; \
	  echo "error: no CPython 3.12 interpreter found (tried pyenv prefix 3.12, ~/.pyenv/versions/3.12*, python3.12 on PATH)" >&2; exit 1

.PHONY: test demo sanitize core-tests bench lint clean

test: $(VENV)/.built $(ACES_VENV)/.deps core-tests
	$(PY) -m pytest -q

demo: $(VENV)/.built
	$(PY) examples/demo.py
	$(PY) examples/timeline.py

bench: $(VENV)/.built
	@for b in bench/bench_*.py; do echo "== $$b"; $(PY) $$b || exit 1; done

$(VENV)/.deps: requirements-dev.txt
	@py312="$$($(find_python))" || exit 1; \
	  [ -x $(PY) ] || "$$py312" -m venv $(VENV)
	$(PY) -m pip install -q --disable-pip-version-check -r requirements-dev.txt
	@touch $@

$(VENV)/.built: $(VENV)/.deps $(SOURCES)
	TIDEMARK_WERROR=ON $(PY) -m pip install -q --disable-pip-version-check --no-build-isolation --no-deps .
	@touch $@

# Style: ruff for Python, clang-format for C++ (.clang-format), and folders
# under src/ that include each other without loops; CI runs this.
lint: $(VENV)/.deps
	$(PY) tools/include_floors.py --root src --inside lib
	$(VENV)/bin/ruff check .
	$(VENV)/bin/ruff format --check .
	$(VENV)/bin/clang-format --dry-run --Werror $$(find src tests/cpp -name '*.cpp' -o -name '*.hpp')

# The ACES oracle of the task-file tests, in its own environment (it pins polars < 2),
# with its source distribution's sample task files and sample MEDS data beside it.
$(ACES_VENV)/.deps: requirements-oracle.txt
	@py312="$$($(find_python))" || exit 1; \
	  [ -x $(ACES_VENV)/bin/python ] || "$$py312" -m venv $(ACES_VENV)
	$(ACES_VENV)/bin/python -m pip install -q --disable-pip-version-check -r requirements-oracle.txt
	rm -rf $(ACES_VENV)/sdist && mkdir -p $(ACES_VENV)/sdist
	$(ACES_VENV)/bin/python -m pip download -q --disable-pip-version-check --no-binary :all: --no-deps \
	  -d $(ACES_VENV)/sdist es-aces==$(ACES_VERSION)
	tar -xzf $(ACES_VENV)/sdist/es_aces-$(ACES_VERSION).tar.gz -C $(ACES_VENV)/sdist
	@touch $@

# C++ tests of the core, built without the interpreter.
core-tests: $(VENV)/.deps
	PATH="$(CURDIR)/$(VENV)/bin:$$PATH" cmake -S . -B build/core-tests -G Ninja \
	  -DTIDEMARK_CORE_TESTS=ON -DTIDEMARK_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	PATH="$(CURDIR)/$(VENV)/bin:$$PATH" cmake --build build/core-tests
	build/core-tests/core_tests

# The same tests against a build with AddressSanitizer and UndefinedBehaviorSanitizer.
# Leaks: each allocation keeps only its allocator's frame and that frame's
# caller (malloc_context_size=2), so tools/lsan.supp, which names the
# interpreter and NumPy, cannot hide what a module loses when Python calls
# it. tests/test_leak_check.py proves that on a planted leak built here.
LEAK_HELPER := build/planted-leak/planted_leak.so
sanitize: $(ASAN_VENV)/.built $(LEAK_HELPER)
	PATH="$(CURDIR)/$(VENV)/bin:$$PATH" cmake -S . -B build/core-tests-asan -G Ninja \
	  -DTIDEMARK_CORE_TESTS=ON -DTIDEMARK_SANITIZE=ON -DTIDEMARK_WERROR=ON >/dev/null
	PATH="$(CURDIR)/$(VENV)/bin:$$PATH" cmake --build build/core-tests-asan
	ASAN_OPTIONS=detect_leaks=1 build/core-tests-asan/core_tests
	LD_PRELOAD="$$(g++ -print-file-name=libasan.so)" PYTHONMALLOC=malloc \
	  ASAN_OPTIONS=detect_leaks=1:malloc_context_size=2 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  TIDEMARK_PLANTED_LEAK=$(CURDIR)/$(LEAK_HELPER) \
	  TIDEMARK_HYPOTHESIS_PROFILE=sanitize $(ASAN_PY) -m pytest -q -p no:cacheprovider

# Built with frame pointers, as the module is, so that the stack of its leak
# reaches on into the interpreter that called it.
$(LEAK_HELPER): tests/sanitizer/planted_leak.c $(ASAN_VENV)/.deps
	mkdir -p $(@D)
	gcc -shared -fPIC -O1 -g -fno-omit-frame-pointer -I"$$($(ASAN_PY) -c 'import sysconfig; print(sysconfig.get_paths()["include"])')" \
	  $< -o $@

$(ASAN_VENV)/.deps: requirements-dev.txt
	@py312="$$($(find_python))" || exit 1; \
	  [ -x $(ASAN_PY) ] || "$$py312" -m venv $(ASAN_VENV)
	$(ASAN_PY) -m pip install -q --disable-pip-version-check -r requirements-dev.txt
	# matplotlib's font extension throws C++ exceptions through a runtime the preloaded
	# AddressSanitizer cannot intercept, which aborts the process: the sanitizer run goes
	# without it, and the picture tests and the pictures page skip there.
	$(ASAN_PY) -m pip uninstall -q -y matplotlib
	@touch $@

$(ASAN_VENV)/.built: $(ASAN_VENV)/.deps $(SOURCES)
	TIDEMARK_SANITIZE=ON TIDEMARK_WERROR=ON $(ASAN_PY) -m pip install -q --disable-pip-version-check \
	  --no-build-isolation --no-deps --config-settings=build-dir=build/asan .
	@touch $@

clean:
	rm -rf build $(VENV) $(ASAN_VENV) $(ACES_VENV)

# A wheel that installs without a compiler, and the sdist. pip builds the wheel in the build
# folder that .venv's install used (so nothing is compiled again); auditwheel checks the glibc
# and libstdc++ symbol versions it needs, tags it with the manylinux policy they allow and
# prints its report.
MANYLINUX := manylinux_2_34_x86_64
WHEEL_VENV := build/wheel-venv
WHEEL_STAMP := dist/.repaired

.PHONY: wheel wheel-test typecheck

$(VENV)/.built: $(wildcard tidemark-stubs/*.pyi) LICENSE README.md

wheel: $(WHEEL_STAMP)

$(WHEEL_STAMP): $(VENV)/.built
	rm -rf build/wheel-raw dist
	$(PY) -m pip wheel -q --disable-pip-version-check --no-build-isolation --no-deps -w build/wheel-raw .
	PATH="$(CURDIR)/$(VENV)/bin:$$PATH" auditwheel repair --plat $(MANYLINUX) -w dist build/wheel-raw/tidemark-*.whl
	$(VENV)/bin/auditwheel show dist/tidemark-*.whl
	$(PY) -c 'from scikit_build_core.build import build_sdist; build_sdist("dist")'
	@tar tzf dist/tidemark-*.tar.gz | grep -qx 'tidemark-[^/]*/LICENSE' || { echo "error: the sdist has no LICENSE" >&2; exit 1; }
	@touch $@

# A fresh virtual environment with the repaired wheel and the pinned test dependencies.
$(WHEEL_VENV)/.installed: $(WHEEL_STAMP) requirements-dev.txt
	rm -rf $(WHEEL_VENV)
	@py312="$$($(find_python))" || exit 1; "$$py312" -m venv $(WHEEL_VENV)
	$(WHEEL_VENV)/bin/python -m pip install -q --disable-pip-version-check -r requirements-dev.txt dist/tidemark-*.whl
	@touch $@

# The test suite against the installed wheel: pytest runs a copy of tests/ in a temporary
# folder, so nothing is imported from the checkout and a file missing from the wheel fails.
wheel-test: $(WHEEL_VENV)/.installed
	@tmp="$$(mktemp -d)" && trap 'rm -rf "$$tmp"' EXIT && cp -r tests "$$tmp/tests" && cp -r docs "$$tmp/docs" && cd "$$tmp" && \
	  "$(CURDIR)/$(WHEEL_VENV)/bin/python" -c 'import tidemark; print("testing", tidemark.__file__)' && \
	  "$(CURDIR)/$(WHEEL_VENV)/bin/python" -m pytest -q -p no:cacheprovider tests

# Types, from the installed wheel: the stubs against the module (stubtest), a user script under
# mypy --strict and pyright (basedpyright, which bundles pyright and takes Node.js from PyPI),
# then the script run; and the companion package's inline types where it is in the tree.
typecheck: $(WHEEL_VENV)/.installed
	cd build && "$(CURDIR)/$(WHEEL_VENV)/bin/python" -m mypy.stubtest tidemark
	cd tests/typing && "$(CURDIR)/$(WHEEL_VENV)/bin/python" -m mypy --strict public_api.py
	cd tests/typing && "$(CURDIR)/$(WHEEL_VENV)/bin/basedpyright" --pythonpath "$(CURDIR)/$(WHEEL_VENV)/bin/python" \
	  -p pyrightconfig.json
	cd build && "$(CURDIR)/$(WHEEL_VENV)/bin/python" "$(CURDIR)/tests/typing/public_api.py"
	@if [ -d tidemark_corpus ]; then \
	  echo "$(WHEEL_VENV)/bin/python -m mypy --strict tidemark_corpus"; \
	  "$(CURDIR)/$(WHEEL_VENV)/bin/python" -m mypy --strict tidemark_corpus; \
	else echo "tidemark_corpus is not in this tree: its type check is skipped"; fi
