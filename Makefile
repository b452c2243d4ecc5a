# Two entry points: `make run` (demo console) and `make test` (whole suite).
BUILD    ?= build
JOBS     ?= $(shell nproc)
CMAKEFLAGS ?=

.PHONY: deps configure build test run bench clean

deps:
	@./scripts/install-deps.sh

configure: deps
	@if [ ! -f $(BUILD)/build.ninja ]; then cmake -S . -B $(BUILD) -G Ninja $(CMAKEFLAGS); fi

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

run: build
	$(BUILD)/bin/sqlvigil --demo

bench: build
	./bench/run.sh $(BUILD)

clean:
	rm -rf $(BUILD)
