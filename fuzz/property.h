// A property that every input must keep. A broken one is a finding: it is
// reported with the input's bytes by libFuzzer, like a crash.
#ifndef DORVIX_FUZZ_PROPERTY_H_
#define DORVIX_FUZZ_PROPERTY_H_

#include <cstdio>
#include <cstdlib>

#define DORVIX_BROKEN(what)                                                  \
  do {                                                                       \
    std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, \
                 what);                                                      \
    std::abort();                                                            \
  } while (0)

#define DORVIX_REQUIRE(condition)         \
  do {                                    \
    if (!(condition)) DORVIX_BROKEN(#condition); \
  } while (0)

#endif  // DORVIX_FUZZ_PROPERTY_H_
