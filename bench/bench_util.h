// Timing, medians, the corpus and the output rows shared by the benchmark
// programs. Every program prints rows that tools/bench.sh gathers into one
// table:
//   ROW <tab> figure <tab> ours <tab> baseline <tab> ratio <tab> note
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace bench {

using Bytes = std::vector<std::uint8_t>;

// Seconds since an arbitrary start.
double Now();

// Runs `work` `runs` times (each after `setup`, which is not timed) and
// returns the median of the timed seconds.
double MedianSeconds(int runs, const std::function<void()>& setup,
                     const std::function<void()>& work);
double Median(std::vector<double> values);

// The corpus: `size` bytes resembling program files, cut into pieces of
// realistic sizes. Half are binaries (ELF files of /usr/bin and /usr/lib in
// sorted order), half text (/usr/share/doc, /usr/share/man ... in sorted
// order, gzip-compressed files skipped); when the machine has too few, a
// seeded generator fills in (machine-code-like and word-like bytes). The
// same machine gives the same corpus on every run.
struct Piece {
    std::string name;  // "BINnnnnn.DLL" / "TXTnnnnn.TXT"
    Bytes data;
    bool binary = false;
};
std::vector<Piece> MakeCorpus(std::size_t size, std::size_t largest = 1u << 20);

// The number of runs of each figure: BENCH_RUNS or 5.
int Runs();

// A row of the table. `ratio` is ours / baseline for speeds and sizes as
// the figure states; the note says which way is better.
void Row(const std::string& figure, const std::string& ours, const std::string& baseline,
         double ratio, const std::string& note);
// A figure without a baseline.
void Row(const std::string& figure, const std::string& value, const std::string& note);

std::string Mib(double bytes);             // "12.3 MiB"
std::string MibPerSecond(double bytesPerSecond);  // "123.4 MiB/s"
std::string Seconds(double seconds);       // "1.234 s"

// Runs a shell command; false when it did not exit with 0.
bool Shell(const std::string& command);
// Removes a host directory tree (rm -rf).
void RemoveTree(const std::string& path);
void WriteHostFile(const std::string& path, const Bytes& data);
Bytes ReadHostFile(const std::string& path);

}  // namespace bench
