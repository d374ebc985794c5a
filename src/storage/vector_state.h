#pragma once

namespace balvix::storage {

// Qt's string hashing (every QHash and QSet keyed by text) runs AVX code and leaves the upper
// halves of the vector registers in use. Until something clears them, each SSE instruction of
// code built for plain x86-64 (the database engine, the C library's string functions, this
// program) waits on them: statements ran about a quarter slower after the first look-up of a
// name. Clearing costs one instruction, so it is done on the way into hot work.
inline void clearVectorUpperState() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  static const bool hasAvx = __builtin_cpu_supports("avx");
  if (hasAvx) asm volatile("vzeroupper" ::: "memory");
#endif
}

}  // namespace balvix::storage
