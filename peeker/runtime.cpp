// The few C++ runtime entry points the peeker uses, over the C library. The
// standard ones bring the runtime's exception machinery along, several times the
// size of the program itself.
#include <cstdlib>
#include <new>

void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

// Reached only through a call of a pure virtual operation: a programming error.
extern "C" void __cxa_pure_virtual() { std::abort(); }
