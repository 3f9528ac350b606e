# Set-up and everyday commands. `make demo` and `make test` do everything on a fresh Debian 12.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
JOBS ?= $(shell nproc)
PACKAGES = cmake g++ make pkg-config libsdl2-dev libsdl2-ttf-dev libopenmpt-dev fonts-liberation2 \
  libgtest-dev libbenchmark-dev libpng-dev libavformat-dev libavcodec-dev libavutil-dev \
  libswscale-dev libswresample-dev ffmpeg xvfb xauth x11-apps xdotool xmp sox clang-format \
  man-db bsdextrautils
SUDO = $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps build demo test test-fast sanitize format bench package install

deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "installing:" $$missing; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DTALVEX_WERROR=ON
	cmake --build $(BUILD) -j$(JOBS)

demo: build
	$(BUILD)/talvex $(ARGS)

test-fast: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALVEX_SANITIZE=ON -DTALVEX_WERROR=ON -DTALVEX_BENCH=OFF
	cmake --build $(SANITIZE_BUILD) -j$(JOBS)
	ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j$(JOBS)

test: test-fast sanitize

bench: build
	$(BUILD)/bench/talvex-bench

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

package: build
	cmake --build $(BUILD) --target package

install: build
	cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))
