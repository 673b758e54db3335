// libFuzzer flags a target always runs with: they are put before the
// command line's own, so that a flag given there still wins. Included by the
// one source file of a target.
#pragma once

#include <initializer_list>
#include <vector>

namespace abacine::fuzz {

// For LLVMFuzzerInitialize, which libFuzzer calls before it reads its flags.
inline void PrependFlags(int* argc, char*** argv, std::initializer_list<const char*> flags) {
  static std::vector<char*> args;
  args.assign(*argv, *argv + 1);
  for (const char* flag : flags) args.push_back(const_cast<char*>(flag));
  args.insert(args.end(), *argv + 1, *argv + *argc);
  args.push_back(nullptr);
  *argc = static_cast<int>(args.size() - 1);
  *argv = args.data();
}

// A small input that makes a decoder take hundreds of megabytes is a fault
// like a crash: these limits make libFuzzer report it as one.
inline void UseMemoryLimits(int* argc, char*** argv) {
  PrependFlags(argc, argv, {"-rss_limit_mb=256", "-malloc_limit_mb=64"});
}

}  // namespace abacine::fuzz

// AddressSanitizer keeps freed blocks aside to catch late uses, 256 MB by
// default: with decoders that free megabytes per input, that alone passes the
// RSS limit. 32 MB still holds the last thousands of blocks.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=32"; }
