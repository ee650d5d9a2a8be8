# Every target sets itself up: it finds CPython 3.12, makes .venv, installs the
# pinned build and test dependencies and builds the module. A second run with
# nothing changed only re-runs the tests or the demo.

SHELL := /bin/bash
VENV := .venv
PY := $(VENV)/bin/python
ASAN_VENV := .venv-asan
ASAN_PY := $(ASAN_VENV)/bin/python
ACES_VENV := .venv-aces
ACES_VERSION := 0.7.3
SOURCES := $(shell find src tests/cpp -name '*.cpp' -o -name '*.hpp') CMakeLists.txt pyproject.toml

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
	$(PY) -m pip install -q --disable-pip-version-check --no-build-isolation --no-deps .
	@touch $@

# Style: ruff for Python, clang-format for C++ (.clang-format); CI runs this.
lint: $(VENV)/.deps
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
	  -DTIDEMARK_CORE_TESTS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	PATH="$(CURDIR)/$(VENV)/bin:$$PATH" cmake --build build/core-tests
	build/core-tests/core_tests

# The same tests against a build with AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: $(ASAN_VENV)/.built
	PATH="$(CURDIR)/$(VENV)/bin:$$PATH" cmake -S . -B build/core-tests-asan -G Ninja \
	  -DTIDEMARK_CORE_TESTS=ON -DTIDEMARK_SANITIZE=ON >/dev/null
	PATH="$(CURDIR)/$(VENV)/bin:$$PATH" cmake --build build/core-tests-asan
	ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp \
	  build/core-tests-asan/core_tests
	LD_PRELOAD="$$(g++ -print-file-name=libasan.so)" PYTHONMALLOC=malloc \
	  ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  TIDEMARK_HYPOTHESIS_PROFILE=sanitize $(ASAN_PY) -m pytest -q -p no:cacheprovider

$(ASAN_VENV)/.deps: requirements-dev.txt
	@py312="$$($(find_python))" || exit 1; \
	  [ -x $(ASAN_PY) ] || "$$py312" -m venv $(ASAN_VENV)
	$(ASAN_PY) -m pip install -q --disable-pip-version-check -r requirements-dev.txt
	@touch $@

$(ASAN_VENV)/.built: $(ASAN_VENV)/.deps $(SOURCES)
	TIDEMARK_SANITIZE=ON $(ASAN_PY) -m pip install -q --disable-pip-version-check \
	  --no-build-isolation --no-deps --config-settings=build-dir=build/asan .
	@touch $@

clean:
	rm -rf build $(VENV) $(ASAN_VENV) $(ACES_VENV)
