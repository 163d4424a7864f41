// Times three ways of installing the same tree, side by side in one run:
//   (a) InstallEntries of this build,
//   (b) a plain open/read/write/close loop with the copier's chunk size,
//   (c) cp -r of the data tree.
// (a) and (b) run in a forked child each, so that the child's ru_maxrss is
// the peak of that method alone; (c) is a child anyway.
#include <fcntl.h>
#include <ftw.h>
#include <malloc.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "codepage.h"
#include "copier.h"
#include "manifest.h"
#include "merge.h"
#include "native_path_posix.h"

#ifndef BENCH_BUILD_TYPE
#define BENCH_BUILD_TYPE "unknown"
#endif

namespace {

// ---- cleanup, also on a signal ----

// The run's own temporary folder; empty until made.
char g_szRoot[PATH_MAX];
volatile pid_t g_childPid = 0;

void OnSignal(int nSignal) {
    // Only async-signal-safe calls here.
    if (g_childPid > 0) {
        kill(g_childPid, SIGKILL);
        waitpid(g_childPid, nullptr, 0);
    }
    if (g_szRoot[0] != '\0') {
        const pid_t pid = fork();
        if (pid == 0) {
            execlp("rm", "rm", "-rf", "--", g_szRoot, static_cast<char*>(nullptr));
            _exit(127);
        }
        if (pid > 0) waitpid(pid, nullptr, 0);
    }
    _exit(128 + nSignal);
}

void CatchSignals(bool bCatch) {
    for (int nSignal : {SIGINT, SIGTERM, SIGHUP}) signal(nSignal, bCatch ? OnSignal : SIG_DFL);
}

int RemoveOne(const char* pszPath, const struct stat*, int, struct FTW*) {
    return (remove(pszPath) == 0 || errno == ENOENT) ? 0 : -1;
}

void RemoveTree(const std::string& strPath) {
    nftw(strPath.c_str(), RemoveOne, 32, FTW_DEPTH | FTW_PHYS);
}

[[noreturn]] void Die(const char* pszFormat, ...) {
    std::fflush(stdout);
    std::fprintf(stderr, "copy_bench: ");
    va_list args;
    va_start(args, pszFormat);
    std::vfprintf(stderr, pszFormat, args);
    va_end(args);
    std::fprintf(stderr, "\n");
    if (g_szRoot[0] != '\0') RemoveTree(g_szRoot);
    std::exit(1);
}

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// ---- the trees ----

// A tree is described, not held: entry i is computed on demand, so the parent
// carries no per-entry memory into the children whose peak is measured.
struct Tree {
    bool bLarge;          // nFiles files at the top; otherwise nDirs folders of nPerDir files
    uint32_t nFiles;
    uint32_t nDirs;
    uint32_t nPerDir;
    uint64_t nFileSize;

    uint32_t Count() const { return bLarge ? nFiles : nDirs * (1 + nPerDir); }
    uint32_t FileCount() const { return bLarge ? nFiles : nDirs * nPerDir; }
};

// Entry i in update-table order (each folder before its files), Windows form.
// The long shared folder prefix keeps the merge's comparisons from ending
// in their first eight bytes.
bool EntryOf(const Tree& tree, uint32_t i, char (&szPath)[MAX_PATH], const char* pszExtension = "bin") {
    if (tree.bLarge) {
        std::snprintf(szPath, sizeof szPath, "large_%02u.%s", i, pszExtension);
        return false;
    }
    const uint32_t nDir = i / (1 + tree.nPerDir);
    const uint32_t nInDir = i % (1 + tree.nPerDir);
    if (nInDir == 0) {
        std::snprintf(szPath, sizeof szPath, "content_folder_%03u\\", nDir);
        return true;
    }
    std::snprintf(szPath, sizeof szPath, "content_folder_%03u\\item_%05u.%s", nDir,
                  nDir * tree.nPerDir + nInDir - 1, pszExtension);
    return false;
}

std::string NativeOf(const std::string& strBase, const char* pszRelative) {
    std::string str = strBase + "/" + pszRelative;
    std::replace(str.begin(), str.end(), '\\', '/');
    if (str.size() > 1 && str.back() == '/') str.pop_back();
    return str;
}

void Fill(std::vector<unsigned char>& bytes, uint64_t nSeed) {
    uint64_t x = nSeed * 0x9E3779B97F4A7C15ull + 1;
    for (size_t i = 0; i + 8 <= bytes.size(); i += 8) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        std::memcpy(&bytes[i], &x, 8);
    }
}

void PutAll(int fd, const void* p, size_t n, const std::string& strPath) {
    const char* pc = static_cast<const char*>(p);
    while (n > 0) {
        const ssize_t k = write(fd, pc, n);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) Die("write %s: %s", strPath.c_str(), std::strerror(errno));
        pc += k;
        n -= static_cast<size_t>(k);
    }
}

void MakeDir(const std::string& strPath) {
    if (mkdir(strPath.c_str(), 0777) != 0 && errno != EEXIST) {
        Die("mkdir %s: %s", strPath.c_str(), std::strerror(errno));
    }
}

// Writes the tree's files; nSalt > 0 gives other contents (an older install).
void MakeTree(const Tree& tree, const std::string& strBase, uint64_t nSalt) {
    MakeDir(strBase);
    std::vector<unsigned char> block(tree.bLarge ? (1u << 20) : tree.nFileSize);
    char szPath[MAX_PATH];
    uint32_t nFile = 0;
    for (uint32_t i = 0; i < tree.Count(); ++i) {
        if (EntryOf(tree, i, szPath)) {
            MakeDir(NativeOf(strBase, szPath));
            continue;
        }
        const std::string strFile = NativeOf(strBase, szPath);
        const int fd = open(strFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) Die("create %s: %s", strFile.c_str(), std::strerror(errno));
        Fill(block, (nFile++ + 1) * 7919 + nSalt);
        for (uint64_t nDone = 0; nDone < tree.nFileSize;) {
            // Each MiB differs, so no file is a repetition of one block.
            std::memcpy(block.data(), &nDone, sizeof nDone);
            const size_t n = static_cast<size_t>(std::min<uint64_t>(block.size(), tree.nFileSize - nDone));
            PutAll(fd, block.data(), n, strFile);
            nDone += n;
        }
        close(fd);
    }
}

bool SameContents(const std::string& strA, const std::string& strB, std::vector<char>& a, std::vector<char>& b) {
    const int fa = open(strA.c_str(), O_RDONLY | O_CLOEXEC);
    const int fb = open(strB.c_str(), O_RDONLY | O_CLOEXEC);
    bool bSame = fa >= 0 && fb >= 0;
    while (bSame) {
        const ssize_t na = read(fa, a.data(), a.size());
        ssize_t nb = 0;
        while (nb < na) {
            const ssize_t k = read(fb, b.data() + nb, static_cast<size_t>(na - nb));
            if (k <= 0) break;
            nb += k;
        }
        if (na < 0 || nb != na || std::memcmp(a.data(), b.data(), static_cast<size_t>(na)) != 0) bSame = false;
        if (na <= 0) break;
    }
    if (bSame) bSame = read(fb, b.data(), 1) == 0;
    if (fa >= 0) close(fa);
    if (fb >= 0) close(fb);
    return bSame;
}

// Checks that strDest holds the tree; empty when it does.
std::string CheckTree(const Tree& tree, const std::string& strData, const std::string& strDest,
                      bool bContents, bool bNoTemp) {
    char szPath[MAX_PATH];
    // One buffer pair for the whole check; freed on return, so no child inherits it.
    const size_t nBuffer = static_cast<size_t>(std::min<uint64_t>(tree.nFileSize + 1, 1u << 20));
    std::vector<char> a(bContents ? nBuffer : 0);
    std::vector<char> b(bContents ? nBuffer : 0);
    for (uint32_t i = 0; i < tree.Count(); ++i) {
        const bool bDir = EntryOf(tree, i, szPath);
        const std::string strPath = NativeOf(strDest, szPath);
        struct stat st;
        if (stat(strPath.c_str(), &st) != 0) return strPath + " missing";
        if (bDir) {
            if (!S_ISDIR(st.st_mode)) return strPath + " is no folder";
            continue;
        }
        if (static_cast<uint64_t>(st.st_size) != tree.nFileSize) return strPath + " has the wrong size";
        if (bNoTemp && stat((strPath + ".tmp").c_str(), &st) == 0) return strPath + ".tmp left behind";
        if (bContents && !SameContents(NativeOf(strData, szPath), strPath, a, b)) return strPath + " differs";
    }
    return std::string();
}

// ---- the manifest tables ----

// What the uninstall table holds before the install.
enum class Listing {
    kEmpty,      // a first install
    kSame,       // every entry of the update, in its order: each search stops at its match
    kOtherFiles  // every file under another extension: no search ever matches
};

uint32_t ListingCount(const Tree& tree, Listing listing) {
    switch (listing) {
        case Listing::kEmpty: return 0;
        case Listing::kSame: return tree.Count();
        case Listing::kOtherFiles: return tree.FileCount();
    }
    return 0;
}

void PutPath(FileEntry& entry, const char* pszPath, int32_t lAmount) {
    std::memset(&entry, 0, sizeof entry);
    std::memcpy(entry.szPath, pszPath, std::strlen(pszPath));
    entry.lAmount = lAmount;
}

// Sets the globals as the loaders would leave them (with the loader's capacity).
void SetTables(const Tree& tree, Listing listing) {
    FreeManifestTables();
    std::memset(&g_updateHeader, 0, sizeof g_updateHeader);
    std::memset(&g_uninstallHeader, 0, sizeof g_uninstallHeader);
    const uint32_t n = tree.Count();
    const uint32_t nListed = ListingCount(tree, listing);
    g_updateHeader.dwEntryCount = n;
    g_pUpdateEntries = new FileEntry[n];
    g_pUninstallEntries = new FileEntry[static_cast<size_t>(n) + nListed];
    char szPath[MAX_PATH];
    uint32_t nOut = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const bool bDir = EntryOf(tree, i, szPath);
        PutPath(g_pUpdateEntries[i], szPath, bDir ? 0 : 1);
        if (listing == Listing::kSame) {
            PutPath(g_pUninstallEntries[nOut++], szPath, bDir ? 0 : 1);
        } else if (listing == Listing::kOtherFiles && !bDir) {
            EntryOf(tree, i, szPath, "old");
            PutPath(g_pUninstallEntries[nOut++], szPath, 1);
        }
    }
    g_uninstallHeader.dwEntryCount = nOut;
    g_uninstallHeader.lTotalAmount = static_cast<int32_t>(listing == Listing::kEmpty ? 0 : tree.FileCount());
}

// The uninstall table's count and added count once every entry is merged.
void ExpectedCounts(const Tree& tree, Listing listing, uint32_t& nEntries, uint32_t& nAdded) {
    const uint32_t nListed = ListingCount(tree, listing);
    nEntries = listing == Listing::kSame ? nListed : nListed + tree.Count();
    nAdded = listing == Listing::kSame ? 0 : tree.FileCount();
}

// ---- the merge's share inside InstallEntries ----

// The link wraps UninstallMerge::Merge, the merge that InstallEntries runs
// (-Wl,--wrap, see CMakeLists.txt), so
// the time (a) spends merging is measured inside the same run rather than
// as the difference of two noisy medians.
bool g_bTimeMerges = false;
double g_dMergeSeconds = 0;

}  // namespace

// The member function's first argument is its object.
extern "C" void __real__ZN14UninstallMerge5MergeERK9FileEntryb(UninstallMerge* pMerge, const FileEntry& entry,
                                                              bool bDirectory);

extern "C" void __wrap__ZN14UninstallMerge5MergeERK9FileEntryb(UninstallMerge* pMerge, const FileEntry& entry,
                                                              bool bDirectory) {
    if (!g_bTimeMerges) {
        __real__ZN14UninstallMerge5MergeERK9FileEntryb(pMerge, entry, bDirectory);
        return;
    }
    const double t0 = Now();
    __real__ZN14UninstallMerge5MergeERK9FileEntryb(pMerge, entry, bDirectory);
    g_dMergeSeconds += Now() - t0;
}

namespace {

// ---- one timed run ----

struct Report {
    double dSeconds;
    double dMergeSeconds;  // (a) only: the part of dSeconds spent merging
    int32_t bOk;
    uint32_t nEntries;
    uint32_t nAdded;
};

struct Run {
    Report report;
    long nPeakKiB;
};

Run InChild(const std::function<Report()>& work) {
    int fds[2];
    if (pipe(fds) != 0) Die("pipe: %s", std::strerror(errno));
    std::fflush(stdout);
    // Freed memory handed back first: the child's peak starts from the parent's resident size.
    malloc_trim(0);
    const pid_t pid = fork();
    if (pid < 0) Die("fork: %s", std::strerror(errno));
    if (pid == 0) {
        CatchSignals(false);
        close(fds[0]);
        Report report{0, 0, 0, 0, 0};
        try {
            report = work();
        } catch (...) {
            report.bOk = 0;
        }
        const ssize_t nWritten = write(fds[1], &report, sizeof report);
        _exit(nWritten == static_cast<ssize_t>(sizeof report) ? 0 : 1);
    }
    g_childPid = pid;
    close(fds[1]);
    Report report{0, 0, 0, 0, 0};
    size_t nRead = 0;
    while (nRead < sizeof report) {
        const ssize_t k = read(fds[0], reinterpret_cast<char*>(&report) + nRead, sizeof report - nRead);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) break;
        nRead += static_cast<size_t>(k);
    }
    close(fds[0]);
    int nStatus = 0;
    struct rusage usage;
    std::memset(&usage, 0, sizeof usage);
    wait4(pid, &nStatus, 0, &usage);
    g_childPid = 0;
    if (nRead != sizeof report || !WIFEXITED(nStatus) || WEXITSTATUS(nStatus) != 0) report.bOk = 0;
    return Run{report, usage.ru_maxrss};
}

std::string WindowsDir(const std::string& strNative) {
    std::string strPath;
    if (!FromNativePath(strNative + "/", strPath)) Die("%s cannot be written in the code page", strNative.c_str());
    return strPath;
}

Run RunInstallEntries(const Tree& tree, Listing listing, const std::string& strData, const std::string& strDest) {
    const std::string strInstall = WindowsDir(strDest);
    const std::string strSource = WindowsDir(strData);
    return InChild([&] {
        SetTables(tree, listing);
        g_bCancel = 0;
        g_bTimeMerges = true;
        const double t0 = Now();
        // No dialog: the window calls find no window and do nothing.
        const bool bOk = InstallEntries(nullptr, strInstall.c_str(), strSource.c_str());
        const double t1 = Now();
        return Report{t1 - t0, g_dMergeSeconds, bOk ? 1 : 0, g_uninstallHeader.dwEntryCount,
                      g_uninstallHeader.dwAddedCount};
    });
}

Run RunPlainLoop(const Tree& tree, const std::string& strData, const std::string& strDest) {
    return InChild([&] {
        char szPath[MAX_PATH];
        const double t0 = Now();
        std::vector<unsigned char> buffer(COPY_CHUNK_SIZE);
        bool bOk = mkdir(strDest.c_str(), 0777) == 0;
        for (uint32_t i = 0; bOk && i < tree.Count(); ++i) {
            if (EntryOf(tree, i, szPath)) {
                bOk = mkdir(NativeOf(strDest, szPath).c_str(), 0777) == 0;
                continue;
            }
            const int fdIn = open(NativeOf(strData, szPath).c_str(), O_RDONLY | O_CLOEXEC);
            const int fdOut = open(NativeOf(strDest, szPath).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
            bOk = fdIn >= 0 && fdOut >= 0;
            for (;;) {
                if (!bOk) break;
                const ssize_t n = read(fdIn, buffer.data(), buffer.size());
                if (n <= 0) {
                    bOk = n == 0;
                    break;
                }
                for (ssize_t nDone = 0; nDone < n;) {
                    const ssize_t k = write(fdOut, buffer.data() + nDone, static_cast<size_t>(n - nDone));
                    if (k <= 0) {
                        bOk = false;
                        break;
                    }
                    nDone += k;
                }
            }
            if (fdIn >= 0) close(fdIn);
            if (fdOut >= 0) close(fdOut);
        }
        const double t1 = Now();
        return Report{t1 - t0, 0, bOk ? 1 : 0, 0, 0};
    });
}

Run RunCpR(const std::string& strData, const std::string& strDest) {
    std::fflush(stdout);
    const double t0 = Now();
    const pid_t pid = fork();
    if (pid < 0) Die("fork: %s", std::strerror(errno));
    if (pid == 0) {
        CatchSignals(false);
        execlp("cp", "cp", "-r", "--", strData.c_str(), strDest.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    g_childPid = pid;
    int nStatus = 0;
    struct rusage usage;
    std::memset(&usage, 0, sizeof usage);
    wait4(pid, &nStatus, 0, &usage);
    g_childPid = 0;
    const double t1 = Now();
    const bool bOk = WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0;
    return Run{Report{t1 - t0, 0, bOk ? 1 : 0, 0, 0}, usage.ru_maxrss};
}

// The merge alone: every update entry against a fresh copy of the table.
Run RunMergeAlone(const Tree& tree, Listing listing) {
    return InChild([&] {
        SetTables(tree, listing);
        // As InstallEntries merges: keys made once, then every entry.
        const double t0 = Now();
        UninstallMerge merge;
        for (uint32_t i = 0; i < g_updateHeader.dwEntryCount; ++i) {
            merge.Merge(g_pUpdateEntries[i], IsDirectoryEntry(g_pUpdateEntries[i]));
        }
        const double t1 = Now();
        return Report{t1 - t0, 0, 1, g_uninstallHeader.dwEntryCount, g_uninstallHeader.dwAddedCount};
    });
}

// ---- scenarios ----

struct Options {
    std::string strDir;
    int nReps = 5;
    uint64_t nLargeMiB = 128;
    uint32_t nSmallFiles = 20000;
    std::string strOnly = "123";
};

struct Figures {
    std::vector<double> times;
    long nPeakKiB = 0;
};

struct Outcome {
    bool bRun = false;
    double a = 0, b = 0, c = 0;
    double merge = 0;        // the merge alone
    double mergeInA = 0;     // (a)'s own merging, and the rest of (a)
    double restOfA = 0;
    long nPeakA = 0;
    long nPeakARef = 0;  // scenario 1 only: the same install with 1 MiB files
};

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double MiB(long nKiB) { return static_cast<double>(nKiB) / 1024.0; }

const char* const kMethodNames[3] = {"(a) InstallEntries", "(b) plain loop", "(c) cp -r"};

void PrintRow(const char* pszName, const Figures& f, bool bPeak) {
    std::printf("  %-20s %9.3f %9.3f %9.3f", pszName, Median(f.times),
                *std::min_element(f.times.begin(), f.times.end()),
                *std::max_element(f.times.begin(), f.times.end()));
    if (bPeak) std::printf(" %9.1f", MiB(f.nPeakKiB));
    std::printf("\n");
}

// Runs (a), (b) and (c) nReps times on one tree and prints its table.
Outcome RunScenario(const Options& options, const std::string& strTitle, const std::string& strBase,
                    const Tree& tree, Listing listing, bool bInstalled, bool bMerge) {
    std::printf("\n== %s\n", strTitle.c_str());
    const std::string strData = strBase + "/data";
    const std::string strDest = strBase + "/install";
    MakeDir(strBase);
    const double tMake = Now();
    MakeTree(tree, strData, 0);
    sync();
    std::printf("  (tree made in %.1f s)\n", Now() - tMake);

    // The longest path the copier forms must fit in MAX_PATH.
    {
        char szPath[MAX_PATH];
        EntryOf(tree, tree.Count() - 1, szPath);
        const size_t nLongest = std::max(WindowsDir(strDest).size(), WindowsDir(strData).size()) +
                                std::strlen(szPath) + 4;
        if (nLongest >= MAX_PATH) Die("paths under %s are too long for MAX_PATH", strBase.c_str());
    }

    uint32_t nEntries = 0;
    uint32_t nAdded = 0;
    ExpectedCounts(tree, listing, nEntries, nAdded);
    Figures figures[3];
    Figures merge;
    Figures mergeInA;
    Figures restOfA;
    for (int nRep = 0; nRep < options.nReps; ++nRep) {
        for (int k = 0; k < 3; ++k) {
            // Rotated each repetition, to spread cache and writeback effects.
            const int m = (nRep + k) % 3;
            RemoveTree(strDest);
            if (m == 0 && bInstalled) MakeTree(tree, strDest, 1);
            sync();
            Run run = m == 0   ? RunInstallEntries(tree, listing, strData, strDest)
                      : m == 1 ? RunPlainLoop(tree, strData, strDest)
                               : RunCpR(strData, strDest);
            if (!run.report.bOk) Die("%s failed in repetition %d", kMethodNames[m], nRep + 1);
            if (m == 0 && (run.report.nEntries != nEntries || run.report.nAdded != nAdded)) {
                Die("InstallEntries left %u records (%u added), expected %u (%u)", run.report.nEntries,
                    run.report.nAdded, nEntries, nAdded);
            }
            const std::string strProblem = CheckTree(tree, strData, strDest, nRep == 0, m == 0);
            if (!strProblem.empty()) Die("%s: %s", kMethodNames[m], strProblem.c_str());
            figures[m].times.push_back(run.report.dSeconds);
            if (m == 0) {
                mergeInA.times.push_back(run.report.dMergeSeconds);
                restOfA.times.push_back(run.report.dSeconds - run.report.dMergeSeconds);
            }
            figures[m].nPeakKiB = std::max(figures[m].nPeakKiB, run.nPeakKiB);
            RemoveTree(strDest);
        }
        if (bMerge) {
            Run run = RunMergeAlone(tree, listing);
            if (run.report.nEntries != nEntries || run.report.nAdded != nAdded) Die("merge alone: wrong counts");
            merge.times.push_back(run.report.dSeconds);
            merge.nPeakKiB = std::max(merge.nPeakKiB, run.nPeakKiB);
        }
    }

    Outcome outcome;
    outcome.bRun = true;
    outcome.a = Median(figures[0].times);
    outcome.b = Median(figures[1].times);
    outcome.c = Median(figures[2].times);
    outcome.nPeakA = figures[0].nPeakKiB;
    outcome.mergeInA = Median(mergeInA.times);
    outcome.restOfA = Median(restOfA.times);
    std::printf("  %-20s %9s %9s %9s %9s\n", "method", "median s", "min s", "max s", "peak MiB");
    for (int m = 0; m < 3; ++m) PrintRow(kMethodNames[m], figures[m], true);
    PrintRow("  in (a): merging", mergeInA, false);
    PrintRow("  in (a): the rest", restOfA, false);
    if (bMerge) {
        outcome.merge = Median(merge.times);
        PrintRow("merge alone", merge, false);
    }
    // The ratios of the fastest runs too: the least disturbed by whatever else the machine does.
    const auto Fastest = [&](int m) { return *std::min_element(figures[m].times.begin(), figures[m].times.end()); };
    std::printf("  ratios: (a)/(b) %.2f   (a)/(c) %.2f   (of the fastest runs: %.2f, %.2f)   merging is %.0f%% of (a)\n",
                outcome.a / outcome.b, outcome.a / outcome.c, Fastest(0) / Fastest(1), Fastest(0) / Fastest(2),
                100.0 * outcome.mergeInA / outcome.a);
    RemoveTree(strBase);
    return outcome;
}

uint64_t ParseNumber(const char* pszOption, const char* pszValue, uint64_t nMin, uint64_t nMax) {
    char* pEnd = nullptr;
    errno = 0;
    const unsigned long long n = pszValue != nullptr ? std::strtoull(pszValue, &pEnd, 10) : 0;
    if (pszValue == nullptr || *pszValue == '\0' || *pEnd != '\0' || errno != 0 || n < nMin || n > nMax) {
        std::fprintf(stderr, "copy_bench: %s needs a number from %llu to %llu\n", pszOption,
                     static_cast<unsigned long long>(nMin), static_cast<unsigned long long>(nMax));
        std::exit(2);
    }
    return n;
}

void Usage(FILE* pOut) {
    std::fprintf(pOut,
                 "usage: copy_bench [--dir DIR] [--reps N] [--large-mib N] [--small-files N] [--only 123]\n"
                 "  --dir DIR          where the temporary trees go (default $TMPDIR or /tmp)\n"
                 "  --reps N           repetitions per scenario, medians reported (default 5)\n"
                 "  --large-mib N      size of each of the 8 large files (default 128)\n"
                 "  --small-files N    files of 4 KiB in scenarios 2 and 3, 100 per folder (default 20000)\n"
                 "  --only LIST        scenarios to run, e.g. 13 (default 123)\n");
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    const char* pszTmp = std::getenv("TMPDIR");
    options.strDir = (pszTmp != nullptr && pszTmp[0] == '/') ? pszTmp : "/tmp";
    for (int i = 1; i < argc; ++i) {
        const std::string strArg = argv[i];
        const char* pszValue = i + 1 < argc ? argv[i + 1] : nullptr;
        if (strArg == "--help" || strArg == "-h") {
            Usage(stdout);
            std::exit(0);
        } else if (strArg == "--dir" && pszValue != nullptr) {
            options.strDir = pszValue;
        } else if (strArg == "--reps") {
            options.nReps = static_cast<int>(ParseNumber("--reps", pszValue, 1, 1000));
        } else if (strArg == "--large-mib") {
            options.nLargeMiB = ParseNumber("--large-mib", pszValue, 1, 1u << 20);
        } else if (strArg == "--small-files") {
            options.nSmallFiles = static_cast<uint32_t>(ParseNumber("--small-files", pszValue, 100, 1000000));
        } else if (strArg == "--only" && pszValue != nullptr) {
            options.strOnly = pszValue;
        } else {
            Usage(stderr);
            std::exit(2);
        }
        ++i;
    }
    return options;
}

const char* FileSystemName(const std::string& strPath) {
    struct statfs fs;
    if (statfs(strPath.c_str(), &fs) != 0) return "?";
    switch (static_cast<unsigned long>(fs.f_type)) {
        case 0x01021994ul: return "tmpfs";
        case 0xEF53ul: return "ext4";
        case 0x9123683Eul: return "btrfs";
        case 0x58465342ul: return "xfs";
        case 0x794C7630ul: return "overlayfs";
        default: return "other";
    }
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ParseOptions(argc, argv);
    LoadActiveCodePage();

    char szDir[PATH_MAX];
    if (realpath(options.strDir.c_str(), szDir) == nullptr) Die("%s: %s", options.strDir.c_str(), std::strerror(errno));
    const std::string strTemplate = std::string(szDir) + "/copy_bench.XXXXXX";
    std::vector<char> name(strTemplate.begin(), strTemplate.end());
    name.push_back('\0');
    CatchSignals(true);
    if (mkdtemp(name.data()) == nullptr) Die("mkdtemp in %s: %s", szDir, std::strerror(errno));
    std::snprintf(g_szRoot, sizeof g_szRoot, "%s", name.data());
    const std::string strRoot = g_szRoot;

    std::printf("copy_bench: %s (%s), build %s, code page %u, %d repetitions, chunk %u bytes\n", strRoot.c_str(),
                FileSystemName(strRoot), BENCH_BUILD_TYPE, GetACP(), options.nReps, COPY_CHUNK_SIZE);
    std::printf("  times in seconds (wall); peak = ru_maxrss of the child doing the copy\n");

    const auto Wants = [&](char c) { return options.strOnly.find(c) != std::string::npos; };
    const uint32_t nDirs = std::max<uint32_t>(1, options.nSmallFiles / 100);
    const uint32_t nPerDir = options.nSmallFiles / nDirs;
    const Tree small{false, 0, nDirs, nPerDir, 4096};
    char szTitle[256];

    Outcome large, replace, worst;
    if (Wants('1')) {
        const Tree tree{true, 8, 0, 0, options.nLargeMiB << 20};
        std::snprintf(szTitle, sizeof szTitle, "1. 8 files of %llu MiB, fresh install",
                      static_cast<unsigned long long>(options.nLargeMiB));
        large = RunScenario(options, szTitle, strRoot + "/s1", tree, Listing::kEmpty, false, false);
        // The same install with 1 MiB files: its peak should be the same.
        const Tree reference{true, 8, 0, 0, 1u << 20};
        const std::string strBase = strRoot + "/s1ref";
        MakeDir(strBase);
        MakeTree(reference, strBase + "/data", 0);
        for (int i = 0; i < 3; ++i) {
            RemoveTree(strBase + "/install");
            const Run run = RunInstallEntries(reference, Listing::kEmpty, strBase + "/data", strBase + "/install");
            if (!run.report.bOk) Die("InstallEntries failed on 1 MiB files");
            large.nPeakARef = std::max(large.nPeakARef, run.nPeakKiB);
        }
        RemoveTree(strBase);
        std::printf("  peak of (a) with 8 files of 1 MiB: %.1f MiB\n", MiB(large.nPeakARef));
    }
    if (Wants('2')) {
        std::snprintf(szTitle, sizeof szTitle,
                      "2. %u files of 4 KiB in %u folders, replacing an install whose manifest lists them",
                      small.FileCount(), small.nDirs);
        replace = RunScenario(options, szTitle, strRoot + "/s2", small, Listing::kSame, true, true);
    }
    if (Wants('3')) {
        std::snprintf(szTitle, sizeof szTitle,
                      "3. the same tree, manifest of %u other files (*.old): every merge search fails",
                      small.FileCount());
        worst = RunScenario(options, szTitle, strRoot + "/s3", small, Listing::kOtherFiles, false, true);
    }

    std::printf("\n== goals (not enforced)\n");
    const auto Verdict = [](bool bRun, bool bMet) { return !bRun ? "not measured" : bMet ? "met" : "missed"; };
    char szRatio[64];
    std::snprintf(szRatio, sizeof szRatio, "%.2f x", large.a / large.b);
    std::printf("  large files: (a) <= 1.10 x (b)        %-44s %s\n", large.bRun ? szRatio : "-",
                Verdict(large.bRun, large.a <= 1.10 * large.b));
    char szPeaks[128];
    char szSmallPeak[32] = "-";
    if (replace.bRun) std::snprintf(szSmallPeak, sizeof szSmallPeak, "%.1f", MiB(replace.nPeakA));
    std::snprintf(szPeaks, sizeof szPeaks, "(a) %.1f MiB at %llu MiB/file, %.1f at 1 MiB/file, %s small",
                  MiB(large.nPeakA), static_cast<unsigned long long>(options.nLargeMiB), MiB(large.nPeakARef),
                  szSmallPeak);
    // Independent: within 1 MiB of the same install with 1 MiB files.
    std::printf("  peak memory independent of file size  %-44s %s\n", large.bRun ? szPeaks : "-",
                Verdict(large.bRun, large.nPeakA <= large.nPeakARef + 1024));
    std::snprintf(szRatio, sizeof szRatio, "%.2f x", replace.a / replace.c);
    std::printf("  small files: (a) <= 2 x (c)           %-44s %s\n", replace.bRun ? szRatio : "-",
                Verdict(replace.bRun, replace.a <= 2 * replace.c));
    char szMerge[128];
    std::snprintf(szMerge, sizeof szMerge, "merging %.3f s vs the rest of (a) %.3f s", worst.mergeInA, worst.restOfA);
    std::printf("  worst-case merge < the copying        %-44s %s\n", worst.bRun ? szMerge : "-",
                Verdict(worst.bRun, worst.mergeInA < worst.restOfA));

    RemoveTree(strRoot);
    return 0;
}
