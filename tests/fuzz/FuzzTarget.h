// Every fuzz target defines the libFuzzer entry point; the same sources build into a replay program that
// runs the committed corpus in the ordinary test suite.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
