# The two set-up commands: `make run` and `make test`. Both install missing Debian packages when run as root.
# Qt 6 for VQX: the widgets and the local socket (qt6-base-dev), the offscreen and X11 platform
# plugins (qt6-qpa-plugins, libxcb-cursor0), the SVG icon plugins (libqt6svg6), the icon theme that
# stands in when the desktop has none (adwaita-icon-theme), the MIME database and a font;
# the tests read printed pages back with pdftotext (poppler-utils); the Debian package is made with
# dpkg-dev's tools and its test watches the unpacked program start with strace. The desktop lane
# runs the programs on a virtual X screen (xvfb) under a real window manager (openbox), with real
# input through the X server (xdotool, the XTest library) and reads the server back (x11-utils).
DEBIAN_PACKAGES := cmake ninja-build g++ make libgtest-dev libgmock-dev libbenchmark-dev \
  qt6-base-dev qt6-qpa-plugins libqt6svg6 libxcb-cursor0 adwaita-icon-theme shared-mime-info fonts-dejavu-core \
  poppler-utils dpkg-dev strace xvfb openbox xdotool x11-utils libx11-dev libxtst-dev
# `make fuzz` builds with clang and its libFuzzer runtime.
FUZZ_DEBIAN_PACKAGES := clang libclang-rt-14-dev
JOBS ?= $(shell nproc)
SOAK_RUNS ?= 20
FUZZ_SECONDS ?= 60
MONKEY_SEEDS ?= 100
MONKEY_STEPS ?= 150
MONKEY_WALKER ?= inprocess
MONKEY_PROGRAMS ?= vqx

.PHONY: all deps fuzz-deps test run bench soak tsan fuzz clean package monkey

all: test

deps:
	@$(MAKE) --no-print-directory install-missing PACKAGES="$(DEBIAN_PACKAGES)"

fuzz-deps: deps
	@$(MAKE) --no-print-directory install-missing PACKAGES="$(FUZZ_DEBIAN_PACKAGES)"

.PHONY: install-missing
install-missing:
	@missing=""; for p in $(PACKAGES); do \
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

# `make package`: the Debian package of the suite (release, for /usr) in build/package.
build/package/build.ninja: | deps
	cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DVQX_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr

package: deps build/package/build.ninja
	cmake --build build/package -j $(JOBS)
	cd build/package && cpack -G DEB

build/release/build.ninja: | deps
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVQX_BUILD_TESTS=ON -DVQX_BUILD_BENCH=ON

run: deps build/release/build.ninja
	cmake --build build/release -j $(JOBS)
	@./scripts/run-vqx build/release

# The whole suite SOAK_RUNS times at full parallelism on a loaded machine (scripts/soak).
soak: deps build/test/build.ninja
	cmake --build build/test -j $(JOBS)
	SOAK_RUNS=$(SOAK_RUNS) ./scripts/soak build/test

# The random walk over the real program from many seeds, each in a process of its own (scripts/monkey):
# from inside (MONKEY_WALKER=inprocess) or by real input on a virtual desktop (MONKEY_WALKER=desktop,
# over MONKEY_PROGRAMS).
monkey: deps build/test/build.ninja
	cmake --build build/test -j $(JOBS)
	MONKEY_SEEDS="$(MONKEY_SEEDS)" MONKEY_STEPS=$(MONKEY_STEPS) MONKEY_WALKER=$(MONKEY_WALKER) \
	  MONKEY_PROGRAMS="$(MONKEY_PROGRAMS)" ./scripts/monkey build/test

# The threaded tests under ThreadSanitizer: the test programs of the platform (registry, sockets,
# serial and USB stand-ins), the core (socket and USB back ends), the simulated motors and the
# end-to-end runs on them. Programs not built here are left out of the run, and so is the package
# test: the package holds every program and its staged data, which this tree does not build.
TSAN_TESTS := platform_tests core_tests sim_tests e2e_tests
# The run-time data the tests read (language table, models database, tips) from the staging folder.
TSAN_DATA := vqx-language vqx_data_models
build/tsan/build.ninja: | deps
	cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVQX_TSAN=ON
tsan: deps build/tsan/build.ninja
	cmake --build build/tsan -j $(JOBS) --target $(TSAN_TESTS) $(TSAN_DATA)
	TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
	  ctest --test-dir build/tsan --output-on-failure -j $(JOBS) --timeout 120 -E '_NOT_BUILT$$|^Package\.'

# libFuzzer targets (fuzz/), each run FUZZ_SECONDS seconds (scripts/fuzz).
build/fuzz/build.ninja: | fuzz-deps
	CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DVQX_FUZZ=ON -DVQX_BUILD_TESTS=OFF
fuzz: fuzz-deps build/fuzz/build.ninja
	cmake --build build/fuzz -j $(JOBS)
	./scripts/fuzz build/fuzz $(FUZZ_SECONDS)

bench: deps build/release/build.ninja
	cmake --build build/release -j $(JOBS)
	@status=0; build/release/bench/bench_suite || status=1; \
	for b in build/release/bench/bench_*; do \
	  [ "$$b" = build/release/bench/bench_suite ] && continue; \
	  if [ -f "$$b" ] && [ -x "$$b" ]; then "$$b" || status=1; fi; \
	done; \
	exit $$status

clean:
	rm -rf build

# Synmove, IoTester and Jogger against simulated motors (scripts/run-client).
CLIENT_TARGETS := synmove iotester jogger vqx-motorsim VQXEngine vqx-regsvr
.PHONY: run-synmove run-iotester run-jogger
run-synmove run-iotester run-jogger: deps build/release/build.ninja
	cmake --build build/release -j $(JOBS) --target $(CLIENT_TARGETS)
	@./scripts/run-client $(@:run-%=%) build/release
