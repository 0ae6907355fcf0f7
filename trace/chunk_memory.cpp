#include "internal/chunk_memory.h"

#include "export.h"

#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

// Large chunks are faulted in at once with the pages measured cheaper
// (page_choice.h), except under AddressSanitizer, whose allocator keeps
// freed chunks aside for a while: faulted in whole, they would stay
// resident whole. There, and without the advice, chunks get the hint.
#if defined(__linux__) && defined(MADV_HUGEPAGE) && defined(MADV_NOHUGEPAGE) && !defined(TDF_ADDRESS_SANITIZER)
#define TDF_MEASURED_PAGES 1
#include "internal/page_choice.h"

#include <unistd.h>

#include <ctime>

#if !defined(MADV_POPULATE_WRITE)
#define MADV_POPULATE_WRITE 23  // Linux 5.14; earlier systems refuse it
#endif
#endif

using namespace tdf::internal;

namespace {

void hintHugePages(void* chunk, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only a hint: without transparent huge pages the chunk keeps small pages.
    madvise(chunk, bytes, MADV_HUGEPAGE);
#else
    (void)chunk;
    (void)bytes;
#endif
}

#if defined(TDF_MEASURED_PAGES)

PageChoice& pageChoice()
{
    // Never destroyed: chunks may be made while static objects are
    // destroyed at exit.
    static PageChoice* const instance = new PageChoice;
    return *instance;
}

// The CPU time of the calling thread, which the kernel's work on its page
// faults counts in and other threads and processes don't.
double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// True when the chunk's last page is in memory: the C allocator had the
// chunk before, and faulting it in tells nothing of what new pages cost.
bool wasInMemory(void* chunk, std::size_t bytes)
{
    const long pageBytes = sysconf(_SC_PAGESIZE);
    if (pageBytes <= 0)
        return false;
    unsigned char resident = 0;
    char* const lastPage = static_cast<char*>(chunk) + bytes - std::size_t(pageBytes);
    return mincore(lastPage, std::size_t(pageBytes), &resident) == 0 && (resident & 1);
}

// Gives a new chunk the pages the choice names and faults it in, which
// tells the choice what that cost.
void choosePages(void* chunk, std::size_t bytes)
{
    PageChoice& choice = pageChoice();
    if (!choice.isMeasurable() || wasInMemory(chunk, bytes)) {
        hintHugePages(chunk, bytes);
        return;
    }
    const PageSize size = choice.next();
    madvise(chunk, bytes, size == hugePages ? MADV_HUGEPAGE : MADV_NOHUGEPAGE);
    const double start = threadSeconds();
    if (madvise(chunk, bytes, MADV_POPULATE_WRITE) == 0)
        choice.measured(size, bytes, threadSeconds() - start);
    else
        choice.unmeasurable();
}

#else

void choosePages(void* chunk, std::size_t bytes)
{
    hintHugePages(chunk, bytes);
}

#endif

}

void* tdf::internal::allocateChunk(std::size_t bytes)
{
    const bool large = bytes >= largeChunkBytes && bytes % largeChunkBytes == 0;
    void* chunk = large ? std::aligned_alloc(largeChunkBytes, bytes) : std::malloc(bytes);
    if (!chunk)
        throw std::bad_alloc();
    if (large)
        choosePages(chunk, bytes);
    return chunk;
}

void tdf::internal::freeChunk(void* chunk)
{
    std::free(chunk);
}
