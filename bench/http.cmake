# web_request posting a large body to a loopback server, beside the curl tool.
quillon_bench(http_bench SOURCES http_bench.cc DEPS quillon_http quillon_http_testing)
