# The usual commands. `make demo` and `make test` do all the set-up a fresh
# Debian 12 machine needs.
SHELL := /bin/bash
BUILD      ?= build
TEST_BUILD ?= build-test
DIST       ?= dist
JOBS       ?= $(shell nproc)

PACKAGES := cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev \
            libbenchmark-dev libsqlite3-dev libssl-dev libcurl4-openssl-dev \
            zlib1g-dev openssl lua5.4 libjpeg62-turbo-dev \
            libpng-dev libnvtt-dev libsquish-dev libfreetype-dev libfontconfig-dev \
            fonts-dejavu-core fonts-wqy-microhei

.PHONY: deps build install test demo bench clean

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  SUDO=""; [ "$$(id -u)" = 0 ] || SUDO=sudo; \
	  $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing; \
	fi

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_TESTS=OFF -DKORVEL_BENCH=OFF
	cmake --build $(BUILD) -j $(JOBS)

install: build
	cmake --install $(BUILD) --prefix $(DIST)

# Line tables are all a sanitizer report needs; full debug information makes
# the test build a fifth slower to compile and link on a small CI machine.
test: deps
	cmake -S . -B $(TEST_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVEL_SANITIZE=ON -DKORVEL_TEST_HOOKS=ON -DKORVEL_BENCH=OFF -DKORVEL_FUZZ=OFF -DKORVEL_WERROR=ON \
	  -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1
	cmake --build $(TEST_BUILD) -j $(JOBS)
	set -o pipefail; cd $(TEST_BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600 | awk -f $(CURDIR)/cmake/ctest_lines.awk

demo: install
	./demo.sh $(DIST)

# The benchmarks are built only here, so `make build` and `make demo` do not
# wait for them.
bench: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_TESTS=OFF -DKORVEL_BENCH=ON
	cmake --build $(BUILD) -j $(JOBS)
	./bench/run.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(TEST_BUILD) $(DIST)
