// SZDD figures on the corpus: the project's expander against libmspack's
// SZDD decompressor (both from memory to memory on the same SZDD files), and
// the project's compressor against mscompress (both file to file on the
// same files), output sizes and speeds.
#include <mspack.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_util.h"
#include "szdd/szdd.h"

namespace {

using bench::Bytes;

// ---- libmspack over memory: the file "in" reads `input`, "out" writes `output`.
struct MemoryFile {
    const Bytes* in = nullptr;
    Bytes* out = nullptr;
    std::size_t position = 0;
};

const Bytes* gInput = nullptr;
Bytes* gOutput = nullptr;
MemoryFile gFiles[2];

mspack_file* MemOpen(mspack_system*, const char* name, int mode) {
    if (std::strcmp(name, "in") == 0 && mode == MSPACK_SYS_OPEN_READ) {
        gFiles[0] = MemoryFile{gInput, nullptr, 0};
        return reinterpret_cast<mspack_file*>(&gFiles[0]);
    }
    if (std::strcmp(name, "out") == 0 && mode == MSPACK_SYS_OPEN_WRITE) {
        gOutput->clear();
        gFiles[1] = MemoryFile{nullptr, gOutput, 0};
        return reinterpret_cast<mspack_file*>(&gFiles[1]);
    }
    return nullptr;
}
void MemClose(mspack_file*) {}
int MemRead(mspack_file* file, void* buffer, int bytes) {
    MemoryFile* f = reinterpret_cast<MemoryFile*>(file);
    if (!f->in || bytes < 0) return -1;
    std::size_t n = f->in->size() - f->position;
    if (n > static_cast<std::size_t>(bytes)) n = static_cast<std::size_t>(bytes);
    std::memcpy(buffer, f->in->data() + f->position, n);
    f->position += n;
    return static_cast<int>(n);
}
int MemWrite(mspack_file* file, void* buffer, int bytes) {
    MemoryFile* f = reinterpret_cast<MemoryFile*>(file);
    if (!f->out || bytes < 0) return -1;
    const std::uint8_t* p = static_cast<const std::uint8_t*>(buffer);
    f->out->insert(f->out->end(), p, p + bytes);
    return bytes;
}
int MemSeek(mspack_file* file, off_t offset, int mode) {
    MemoryFile* f = reinterpret_cast<MemoryFile*>(file);
    const std::size_t size = f->in ? f->in->size() : f->out->size();
    off_t base = mode == MSPACK_SYS_SEEK_START ? 0
                 : mode == MSPACK_SYS_SEEK_CUR ? static_cast<off_t>(f->position)
                                               : static_cast<off_t>(size);
    if (base + offset < 0 || static_cast<std::size_t>(base + offset) > size) return -1;
    f->position = static_cast<std::size_t>(base + offset);
    return 0;
}
off_t MemTell(mspack_file* file) {
    return static_cast<off_t>(reinterpret_cast<MemoryFile*>(file)->position);
}
void MemMessage(mspack_file*, const char*, ...) {}
void* MemAlloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }
void MemFree(void* p) { std::free(p); }
void MemCopy(void* from, void* to, size_t bytes) { std::memmove(to, from, bytes); }

mspack_system gMemorySystem = {MemOpen, MemClose, MemRead, MemWrite, MemSeek, MemTell,
                               MemMessage, MemAlloc, MemFree, MemCopy, nullptr};

}  // namespace

int main(int argc, char** argv) {
    const std::size_t corpusSize = (argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 64) << 20;
    const std::string work = argc > 2 ? argv[2] : "/tmp/bench-szdd";
    const int runs = bench::Runs();

    std::vector<bench::Piece> corpus = bench::MakeCorpus(corpusSize);
    std::size_t total = 0;
    for (const bench::Piece& p : corpus) total += p.data.size();
    std::fprintf(stderr, "corpus: %zu files, %zu bytes\n", corpus.size(), total);

    // ---- Compression, file to file -----------------------------------------
    // mscompress reads its input one byte per system call, so the comparison
    // runs on every eighth file of the corpus (about an eighth of it); our
    // compressor also runs once over the whole corpus, for the SZDD files the
    // expansion figure uses.
    std::vector<bench::Piece> subset;
    std::size_t subsetSize = 0;
    for (std::size_t i = 0; i < corpus.size(); i += 8) {
        subset.push_back(corpus[i]);
        subsetSize += corpus[i].data.size();
    }
    bench::RemoveTree(work);
    bench::Shell("mkdir -p '" + work + "/mscompress' '" + work + "/ours'");
    std::string names;
    for (const bench::Piece& p : subset) {
        bench::WriteHostFile(work + "/mscompress/" + p.name, p.data);
        bench::WriteHostFile(work + "/ours/" + p.name, p.data);
        names += " " + p.name;
    }
    auto outName = [](const std::string& name) { return name.substr(0, name.size() - 1) + "_"; };
    const double oursCompress = bench::MedianSeconds(runs, nullptr, [&] {
        for (const bench::Piece& p : subset) {
            Bytes in = bench::ReadHostFile(work + "/ours/" + p.name);
            Bytes out = szdd::Compress(in.data(), in.size(), p.name.back());
            bench::WriteHostFile(work + "/ours/" + outName(p.name), out);
        }
    });
    const double theirsCompress = bench::MedianSeconds(
        runs, [&] { bench::Shell("rm -f '" + work + "/mscompress/'*_"); },
        [&] { bench::Shell("cd '" + work + "/mscompress' && mscompress" + names + " >/dev/null"); });

    std::size_t oursSize = 0;
    std::size_t theirsSize = 0;
    std::size_t theirsRoundTrip = 0;
    for (const bench::Piece& p : subset) {
        oursSize += bench::ReadHostFile(work + "/ours/" + outName(p.name)).size();
        // mscompress appends "_" to the whole name.
        Bytes theirs = bench::ReadHostFile(work + "/mscompress/" + p.name + "_");
        theirsSize += theirs.size();
        Bytes back;
        if (szdd::Expand(theirs.data(), theirs.size(), back) && back == p.data) ++theirsRoundTrip;
    }
    const std::string subsetText = std::to_string(subset.size()) + " files, " + bench::Mib(double(subsetSize));
    bench::Row("SZDD compressed size (" + subsetText + ")", bench::Mib(double(oursSize)),
               bench::Mib(double(theirsSize)), double(oursSize) / double(theirsSize),
               "mscompress; below 1 is smaller");
    bench::Row("SZDD compression speed (" + subsetText + ")",
               bench::MibPerSecond(double(subsetSize) / oursCompress),
               bench::MibPerSecond(double(subsetSize) / theirsCompress), theirsCompress / oursCompress,
               "mscompress, file to file; above 1 is faster");
    if (theirsRoundTrip != subset.size())
        std::fprintf(stderr, "warning: %zu of %zu mscompress files did not expand back with our expander\n",
                     subset.size() - theirsRoundTrip, subset.size());

    std::vector<Bytes> ours;
    std::size_t allSize = 0;
    const double allStart = bench::Now();
    for (const bench::Piece& p : corpus) {
        ours.push_back(szdd::Compress(p.data.data(), p.data.size(), p.name.back()));
        allSize += ours.back().size();
    }
    const double allSeconds = bench::Now() - allStart;
    bench::Row("SZDD compression, whole corpus (" + std::to_string(corpus.size()) + " files, " +
                   bench::Mib(double(total)) + ")",
               bench::Mib(double(allSize)) + " in " + bench::Seconds(allSeconds),
               "ratio " + std::to_string(double(allSize) / double(total)).substr(0, 5) + ", one run");

    // ---- Expansion, memory to memory, of the same SZDD files ----------------
    std::size_t checked = 0;
    const double oursExpand = bench::MedianSeconds(runs, nullptr, [&] {
        checked = 0;
        for (std::size_t i = 0; i < ours.size(); ++i) {
            Bytes out;
            if (szdd::Expand(ours[i].data(), ours[i].size(), out) && out.size() == corpus[i].data.size())
                ++checked;
        }
    });
    if (checked != corpus.size()) std::fprintf(stderr, "warning: our expander failed on some files\n");
    msszdd_decompressor* d = mspack_create_szdd_decompressor(&gMemorySystem);
    std::size_t theirsChecked = 0;
    const double theirsExpand = bench::MedianSeconds(runs, nullptr, [&] {
        theirsChecked = 0;
        for (std::size_t i = 0; i < ours.size(); ++i) {
            Bytes out;
            out.reserve(corpus[i].data.size());
            gInput = &ours[i];
            gOutput = &out;
            if (d->decompress(d, "in", "out") == MSPACK_ERR_OK && out == corpus[i].data) ++theirsChecked;
        }
    });
    mspack_destroy_szdd_decompressor(d);
    if (theirsChecked != corpus.size())
        std::fprintf(stderr, "warning: libmspack expanded %zu of %zu files correctly\n", theirsChecked,
                     corpus.size());
    bench::Row("SZDD expansion speed", bench::MibPerSecond(double(total) / oursExpand),
               bench::MibPerSecond(double(total) / theirsExpand), theirsExpand / oursExpand,
               "libmspack, memory to memory; above 1 is faster");
    bench::RemoveTree(work);
    return 0;
}
