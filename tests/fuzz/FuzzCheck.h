// A broken property ends the run at once, so that libFuzzer keeps the input that broke it.
#pragma once
#include <cstdio>
#include <cstdlib>
#define FUZZ_CHECK(c)                                                                                                  \
    ((c) ? void() : (std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #c), std::abort()))
