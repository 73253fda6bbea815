# The two commands a newcomer needs: `make demo` and `make test`. Both install the Debian packages
# the project needs first (scripts/install-packages.sh, idempotent).

BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: all setup build demo test bench package format clean desktop screens

all: build

setup:
	@scripts/install-packages.sh

build: setup
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) -- --no-print-directory

demo: build
	@demo/run-demo.sh $(BUILD)

# The interactive program on the demo data source: the log-in dialog opens on the desktop.
desktop: build
	@demo/run-demo.sh $(BUILD) >/dev/null
	@cd demo/out && ODBCSYSINI=$(CURDIR)/demo/data ODBCINI=$(CURDIR)/demo/data/odbc.ini \
	  $(abspath $(BUILD))/tabulink

# The README's pictures of the desktop, rendered offscreen over the demo data source.
screens: build
	@demo/run-demo.sh $(BUILD) >/dev/null
	@mkdir -p doc/screens
	@ODBCSYSINI=$(CURDIR)/demo/data ODBCINI=$(CURDIR)/demo/data/odbc.ini TABULINK_SCREENS=$(CURDIR)/doc/screens \
	  $(BUILD)/tests/gui/render_screens --gtest_brief=1

test: setup
	@scripts/run-tests.sh

bench: build
	@for b in $(BUILD)/bench/*_bench; do echo "== $$b"; $$b; done
	@bench/export-bench.sh $(BUILD)

package: setup
	@scripts/package.sh

format:
	@scripts/format.sh --fix

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz demo/data demo/out
