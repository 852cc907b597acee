# The two set-up commands: `make run` and `make test`. Both install missing Debian packages when run as root.
# Qt 6 for VQX: the widgets and the local socket (qt6-base-dev), the offscreen and X11 platform
# plugins (qt6-qpa-plugins, libxcb-cursor0), the desktop icon theme, the MIME database and a font.
DEBIAN_PACKAGES := cmake ninja-build g++ make libgtest-dev libgmock-dev libbenchmark-dev \
  qt6-base-dev qt6-qpa-plugins libxcb-cursor0 adwaita-icon-theme shared-mime-info fonts-dejavu-core
JOBS ?= $(shell nproc)

.PHONY: all deps test run bench clean

all: test

deps:
	@missing=""; for p in $(DEBIAN_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else \
	    echo "Missing Debian packages:$$missing (run as root or install them)"; exit 1; \
	  fi; \
	fi

build/test/build.ninja: | deps
	cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVQX_SANITIZE=ON -DVQX_BUILD_BENCH=ON

test: deps build/test/build.ninja
	cmake --build build/test -j $(JOBS)
	ctest --test-dir build/test --output-on-failure -j $(JOBS) --timeout 120

build/release/build.ninja: | deps
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVQX_BUILD_TESTS=ON -DVQX_BUILD_BENCH=ON

run: deps build/release/build.ninja
	cmake --build build/release -j $(JOBS)
	@./scripts/run-vqx build/release

bench: deps build/release/build.ninja
	cmake --build build/release -j $(JOBS)
	@status=0; build/release/bench/bench_suite || status=1; \
	for b in bench_project bench_synmove; do \
	  if [ -x build/release/bench/$$b ]; then build/release/bench/$$b || status=1; fi; \
	done; \
	exit $$status

clean:
	rm -rf build
