#include "pkgwrite/stream_package.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "pkgwrite/checksum.h"

namespace pkg {

namespace {

// Files read and compressed ahead of the writer hold at most this many
// bytes, unless a single file is larger.
constexpr std::uint64_t AheadBudget = 64u << 20;

struct Slot {
    bool done = false;
    bool ok = false;
    Bytes stored;
    std::string error;
};

// Prepares the files in table order on several threads and hands them to
// the writer in that order.
class Preparer {
public:
    Preparer(PackageContents& contents, const std::vector<FileSource>& sources, unsigned threads)
        : contents_(contents), sources_(sources), slots_(sources.size()) {
        for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
    }
    ~Preparer() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        for (std::thread& t : workers_) t.join();
    }

    // Waits for file i; its stored bytes move to `out`.
    bool Take(std::size_t i, Bytes& out, std::string& error) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return slots_[i].done; });
        Slot& s = slots_[i];
        out = std::move(s.stored);
        error = s.error;
        ahead_ -= sources_[i].size;
        ++taken_;
        changed_.notify_all();
        return s.ok;
    }

private:
    void Work() {
        for (;;) {
            std::size_t i;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [&] {
                    return stop_ || next_ >= slots_.size() || next_ == taken_ ||
                           ahead_ + sources_[next_].size <= AheadBudget;
                });
                if (stop_ || next_ >= slots_.size()) return;
                i = next_++;
                ahead_ += sources_[i].size;
            }
            Slot result;
            FileRecord& record = contents_.files[i];  // each thread touches only its own
            result.ok = PrepareFile(sources_[i], record, result.stored, result.error);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                result.done = true;
                slots_[i] = std::move(result);
            }
            changed_.notify_all();
        }
    }

    PackageContents& contents_;
    const std::vector<FileSource>& sources_;
    std::vector<Slot> slots_;
    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0;   // the next file to start
    std::size_t taken_ = 0;  // files the writer has taken
    std::uint64_t ahead_ = 0;
    bool stop_ = false;
};

bool WriteAll(std::FILE* f, const std::uint8_t* data, std::size_t size) {
    return size == 0 || std::fwrite(data, 1, size, f) == size;
}

// The CRC of the file's first `end` bytes, read back, signed fields as zeroes.
bool CrcOfFile(std::FILE* f, std::uint64_t end, std::uint32_t& crc) {
    if (std::fseek(f, 0, SEEK_SET) != 0) return false;
    Bytes block(1u << 20);
    crc = 0;
    for (std::uint64_t done = 0; done < end;) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), end - done));
        if (std::fread(block.data(), 1, want, f) != want) return false;
        if (done == 0) ClearSignedFields(block.data(), want);
        crc = Crc32(crc, block.data(), want);
        done += want;
    }
    return true;
}

}  // namespace

bool StreamPackage(PackageContents& contents, const std::vector<FileSource>& sources,
                   const std::string& path, unsigned threads, StreamResult& result,
                   const StreamProgress& progress) {
    result = StreamResult();
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, std::max<std::size_t>(1, sources.size())));
    contents.fileData.clear();
    contents.keepStoredSizes = true;
    // Stub and information with the stored sizes still unknown: the layout
    // is the same, so the information is written again at the end.
    PackageContents head = contents;
    head.checksum = false;
    head.trailing.clear();
    const std::size_t infoEnd = WritePackage(head).size();

    const std::string temporary = path + ".partial";
    std::FILE* f = std::fopen(temporary.c_str(), "w+b");
    if (!f) {
        result.error = "cannot create " + temporary + ": " + std::strerror(errno);
        return false;
    }
    bool ok = WriteAll(f, Bytes(infoEnd, 0).data(), infoEnd);
    std::uint64_t size = infoEnd;
    std::uint64_t sourceBytes = 0;
    {
        Preparer preparer(contents, sources, threads);
        for (std::size_t i = 0; ok && i < sources.size(); ++i) {
            Bytes stored;
            std::string error;
            if (!preparer.Take(i, stored, error)) {
                result.errorLine = sources[i].line;
                result.error = error;
                std::fclose(f);
                std::remove(temporary.c_str());
                return false;
            }
            size += stored.size();
            ok = WriteAll(f, stored.data(), stored.size());
            sourceBytes += sources[i].size;
            if (progress) progress(sourceBytes, i + 1);
        }
    }
    if (ok && size + TrailerSize > 0xFFFFFFFFull) {
        result.error = "the package would be larger than 4 GiB";
        std::fclose(f);
        std::remove(temporary.c_str());
        return false;
    }
    std::uint32_t crc = 0;
    head = contents;
    head.checksum = false;
    head.trailing.clear();
    const Bytes info = WritePackage(head);  // the stub and the information
    ok = ok && std::fseek(f, 0, SEEK_SET) == 0 && WriteAll(f, info.data(), info.size()) &&
         CrcOfFile(f, size, crc) && std::fseek(f, 0, SEEK_END) == 0;
    const Bytes trailer = MakeTrailer(crc);
    if (contents.checksum) ok = ok && WriteAll(f, trailer.data(), trailer.size());
    ok = std::fclose(f) == 0 && ok;
    if (ok) chmod(temporary.c_str(), 0755);
    if (!ok || std::rename(temporary.c_str(), path.c_str()) != 0) {
        result.error = "cannot write " + path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    result.size = size + (contents.checksum ? TrailerSize : 0);
    return true;
}

}  // namespace pkg
