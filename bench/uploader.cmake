# Upload client benchmarks.
quillon_bench(upload_bench SOURCES upload_bench.cc DEPS quillon_uploader quillon_test_forum)
