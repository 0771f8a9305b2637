# Thin driver over CMake and the test scripts. `make run` and `make test` set up everything.
BUILD      := build
JOBS       ?= 2
NATIVE     := $(BUILD)/native
WIN32_DIR  := $(BUILD)/i686
WIN64_DIR  := $(BUILD)/x86_64

.PHONY: all deps build native i686 x86_64 test run format clean faults-doc bench release

all: build

deps:
	@tools/install-deps.sh

build: deps native i686 x86_64

native:
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Debug \
	    -DQAR_WIN32_BUILD_DIR=$(abspath $(WIN32_DIR)) -DQAR_WIN64_BUILD_DIR=$(abspath $(WIN64_DIR))
	cmake --build $(NATIVE) -j $(JOBS)

i686:
	cmake -S . -B $(WIN32_DIR) -DCMAKE_BUILD_TYPE=Release \
	    -DCMAKE_TOOLCHAIN_FILE=$(abspath cmake/mingw-i686.cmake)
	cmake --build $(WIN32_DIR) -j $(JOBS)

x86_64:
	cmake -S . -B $(WIN64_DIR) -DCMAKE_BUILD_TYPE=Release \
	    -DCMAKE_TOOLCHAIN_FILE=$(abspath cmake/mingw-x86_64.cmake)
	cmake --build $(WIN64_DIR) -j $(JOBS)

# Then the conformance runs on Wine say which rules Wine does not keep and which cases only the
# fakes run; the last line names the program the Wine tests ran: the shipping i686 one, or the
# twin and why.
REPORTS := $(WIN32_DIR)/conformance-report.txt $(WIN64_DIR)/conformance-report.txt
test: build
	@rm -f $(REPORTS); status=0; ctest --test-dir $(NATIVE) --output-on-failure -j $(JOBS) || status=$$?; \
	    cat $(REPORTS) 2>/dev/null; \
	    QAR_WIN32_BUILD_DIR=$(abspath $(WIN32_DIR)) QAR_WIN64_BUILD_DIR=$(abspath $(WIN64_DIR)) \
	    /usr/bin/python3 tests/system/wine_harness.py program; exit $$status

run: build
	QAR_WIN32_BUILD_DIR=$(abspath $(WIN32_DIR)) tests/system/main_job.sh $(abspath $(WIN64_DIR))

release: deps
	tools/release.sh $(abspath $(BUILD))/release $(abspath dist)

faults-doc: deps native
	QAR_UPDATE_FAULTS_DOC=1 $(NATIVE)/tests/faults/qar_fault_matrix

bench: build
	QAR_WIN64_BUILD_DIR=$(abspath $(WIN64_DIR)) QAR_WIN32_BUILD_DIR=$(abspath $(WIN32_DIR)) \
	    QAR_WINE_DIR=$(abspath $(BUILD))/bench-wine /usr/bin/python3 bench/run_bench.py

format:
	find src tests fixtures -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
