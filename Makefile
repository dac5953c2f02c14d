# The two commands a new user types: `make demo` and `make test`.
# Both install the Debian packages that are missing first (as root), then configure and build.

PACKAGES := cmake ninja-build g++ python3 libpython3.11-dev libgtest-dev libgmock-dev libbenchmark-dev \
            clang-format-14 libedit-dev libegl-dev libgl1-mesa-dev libopengl-dev libegl-mesa0 \
            libgl1-mesa-dri libpng-dev libssl-dev glslang-tools
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
RELEASE_BUILD ?= build-release
# One formatter version for everyone: another version lays out the same code differently.
CLANG_FORMAT := clang-format-14
# Where ccache is installed it serves every build tree (handy with several checkouts); CI has none.
CMAKE_FLAGS ?= $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Our own builds let no warning in; a plain `cmake` configure does not make warnings errors.
CMAKE_FLAGS += -DSHOP_WERROR=ON

.PHONY: all deps build build-asan build-release test test-normal test-asan demo format format-check clean

all: build

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  if [ "$$(id -u)" -ne 0 ]; then echo "Run as root to install:$$missing" >&2; exit 1; fi; \
	  apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q $$missing; \
	fi

# Configured again when this file changes, so that trees made before pick up its settings.
$(BUILD)/build.ninja: Makefile | deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

$(ASAN_BUILD)/build.ninja: Makefile | deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSHOP_SANITIZE=ON $(CMAKE_FLAGS)

# What a packager builds: optimised, every target; CI builds it too.
$(RELEASE_BUILD)/build.ninja: Makefile | deps
	cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

build-release: deps $(RELEASE_BUILD)/build.ninja
	cmake --build $(RELEASE_BUILD) -j $(JOBS)

test-normal: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

test: test-normal test-asan

# Preview pictures of the shipped surfaces, drawn without and with their GLSL programs.
PREVIEW_SURFACES := plastic matte metal constant

demo: build
	@mkdir -p $(BUILD)/previews
	@for f in examples/*.cmd; do \
	  echo "== $$f"; ./$(BUILD)/apps/shophost/shophost "$$f" || exit 1; \
	done
	@for s in $(PREVIEW_SURFACES); do \
	  for glsl in 0 1; do \
	    out=$(BUILD)/previews/$$s-glsl$$glsl.png; \
	    printf 'cd /shop\nadd %s\nmaterial %s1 -p %s\n' $$s $$s $$out | \
	      SHOP_GLSL=$$glsl ./$(BUILD)/apps/shophost/shophost >/dev/null || exit 1; \
	    echo "== $$out"; \
	  done; \
	done

format: deps
	$(CLANG_FORMAT) -i $$(git ls-files '*.h' '*.cpp')

# Fails, listing the places, when a source file is not formatted as `make format` would.
format-check: deps
	$(CLANG_FORMAT) --dry-run -Werror $$(git ls-files '*.h' '*.cpp')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(RELEASE_BUILD)
