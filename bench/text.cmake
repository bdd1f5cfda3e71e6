# Text toolkit benchmarks: each of our operations beside a plain baseline.
find_package(ZLIB REQUIRED)
quillon_bench(text_bench SOURCES text_bench.cc DEPS quillon_text ZLIB::ZLIB)
