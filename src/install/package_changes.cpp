#include "install/package_changes.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <unordered_set>
#include <vector>

#include "base/errors.h"
#include "base/format.h"
#include "base/installer_site.h"
#include "install/c_unzipper.h"
#include "install/md5_hasher.h"
#include "install/range_plan.h"
#include "install/temporary_download.h"
#include "install/unchanged_file.h"
#include "install/zip_directory.h"
#include "install/zip_entry_name.h"
#include "net/range_reader.h"
#include "platform/files.h"
#include "platform/utf8_path.h"

namespace {

// The end record with the longest comment fits, and most directories with it.
constexpr uint64_t kTailBytes = 64 * 1024;
// Asking for a range costs about a round trip: a smaller gap is cheaper fetched.
constexpr uint64_t kMaxGap = 64 * 1024;
// A directory this large is no package of ours; it is not held in memory.
constexpr uint64_t kMaxDirectoryBytes = 32 * 1024 * 1024;

std::string unquoted(const std::string& etag) {
    return etag.size() >= 2 && etag.front() == '"' && etag.back() == '"'
               ? etag.substr(1, etag.size() - 2)
               : etag;
}

class PackageChanges {
public:
    PackageChanges(IInstallerSite& site, const UpdateSource& source, const PackageLocation& package,
                   Progress& progress, FileStamps* stamps)
        : site_(site),
          source_(source),
          package_(package),
          progress_(progress),
          stamps_(stamps),
          reader_(package.host, package.path) {}

    ChangesOutcome run(const std::string& cachedEtag) {
        ChangesOutcome outcome;
        try {
            readTail(cachedEtag);
            readDirectory();
            checkNames();
            const std::vector<size_t> wanted = reuseUnchanged();
            if (!wanted.empty()) fetchAndUnpack(wanted);
            checkAgainstManifest(wanted);
            outcome.deployed = true;
        } catch (const silent_exception&) {
            throw;
        } catch (const std::exception& e) {
            outcome.reason = e.what();
        }
        outcome.fetched = reader_.received();
        outcome.reused = reused_;
        return outcome;
    }

private:
    void readTail(const std::string& cachedEtag) {
        // A package the cache holds is not asked for again.
        std::vector<std::string> conditions;
        if (!cachedEtag.empty()) conditions.push_back("If-None-Match: \"" + cachedEtag + "\"");
        const RangeAnswer answer =
            reader_.get("bytes=-" + std::to_string(kTailBytes), conditions,
                        [this](const char* data, size_t size) { receive(tail_, data, size); });
        if (answer.status == 304) throw std::runtime_error("the download cache holds the package");
        if (answer.status != 206)
            throw std::runtime_error(format("the server answered %d to a range", answer.status));
        const std::optional<ContentRange>& range = answer.range;
        if (!range || range->last != range->total - 1 ||
            tail_.size() != static_cast<uint64_t>(range->last - range->first + 1))
            throw std::runtime_error("the range answered is not the package's tail");
        if (!answer.etag || answer.etag->size() < 2 || answer.etag->rfind("W/", 0) == 0)
            throw std::runtime_error("the package has no strong ETag");
        etag_ = *answer.etag;
        total_ = static_cast<uint64_t>(range->total);
        tailStart_ = static_cast<uint64_t>(range->first);
        if (!cachedEtag.empty() && unquoted(etag_) == cachedEtag)
            throw std::runtime_error("the download cache holds the package");
        progress_.done = 0;
        progress_.total = static_cast<int64_t>(total_);
    }

    void readDirectory() {
        place_ = findZipDirectory(tail_, total_);
        if (place_.size > kMaxDirectoryBytes)
            throw std::runtime_error("the package's directory is too large");
        if (place_.offset < tailStart_) {
            std::string front;
            readSpan({place_.offset, tailStart_ - 1},
                     [this, &front](const char* data, size_t size) { receive(front, data, size); });
            tail_.insert(0, front);
            tailStart_ = place_.offset;
        }
        entries_ = readZipDirectory(
            tail_.substr(static_cast<size_t>(place_.offset - tailStart_), place_.size), place_);
    }

    // Names that are safe for the unzipper are safe for the copies.
    void checkNames() const {
        ZipEntryNames names;
        for (const ZipDirectoryEntry& entry : entries_) {
            if (!isSafeEntryName(entry.info.fileName))
                throw std::runtime_error("unsafe entry name " + entry.info.fileName);
            names.claim(entry.info.fileName, entry.info.isFolder);
        }
    }

    // The entries whose files must come from the package.
    std::vector<size_t> reuseUnchanged() {
        std::vector<size_t> wanted;
        for (size_t i = 0; i < entries_.size(); ++i) {
            const ZipEntryInfo& info = entries_[i].info;
            if (info.isFolder) continue;
            site_.checkCancel();
            const std::string relative = package_.folder + info.fileName;
            const std::string installed = source_.installedFolder + relative;
            const std::string target = package_.target + info.fileName;
            const std::string digest = source_.digestToCheck(relative);
            // A file the record knows is not read; a missing or resized one
            // fails the match as it is read.
            const FileStamps::Verdict verdict =
                source_.installedStamps.judge(relative, installed, info.crc, info.uncompressedSize);
            const bool known = digest.empty() && verdict.kind == FileStamps::Verdict::kSame;
            if (verdict.kind != FileStamps::Verdict::kDifferent &&
                takeUnchangedFile(installed, target, info, digest,
                                  known ? &verdict.stamp : nullptr)) {
                list(relative, info);
                reused_ += static_cast<int64_t>(info.compressedSize);
                count(info.compressedSize);
            } else {
                wanted.push_back(i);
            }
        }
        return wanted;
    }

    // The fetched ranges and the tail go where they lie in the package, in a
    // file of its size whose other bytes are never read.
    void fetchAndUnpack(const std::vector<size_t>& wanted) {
        TemporaryDownload sparse;
        platform::makeSparse(sparse.path());
        std::ofstream& out = sparse.stream();
        for (ByteSpan span : planRanges(entries_, wanted, place_.offset, kMaxGap)) {
            // What the tail holds already (all of a small package) is not asked again.
            if (span.first >= tailStart_) continue;
            span.last = std::min(span.last, tailStart_ - 1);
            out.seekp(static_cast<std::streamoff>(span.first));
            uint64_t got = 0;
            readSpan(span, [this, &out, &got](const char* data, size_t size) {
                site_.checkCancel();
                out.write(data, static_cast<std::streamsize>(size));
                got += size;
                count(size);
            });
            if (got != span.size()) throw std::runtime_error("a range of the package came short");
        }
        out.seekp(static_cast<std::streamoff>(tailStart_));
        out.write(tail_.data(), static_cast<std::streamsize>(tail_.size()));
        sparse.close();

        std::unordered_set<std::string> names;
        for (const size_t index : wanted) names.insert(entries_[index].info.fileName);
        CUnzipper unzipper(sparse.path());
        unzipper.setDeleteBeforeWrite(true);
        unzipper.setOnWritten(
            [this](const ZipEntryInfo& info) { list(package_.folder + info.fileName, info); });
        unzipper.ExtractEntries(package_.target, [&names](const ZipEntryInfo& info) {
            return names.count(info.fileName) > 0;
        });
    }

    void checkAgainstManifest(const std::vector<size_t>& fetched) const {
        for (const size_t index : fetched) {
            const std::string& name = entries_[index].info.fileName;
            const std::string digest = source_.digestOf(package_.folder + name);
            if (digest.empty()) continue;
            Md5Hasher hasher;
            hasher.hashFile(package_.target + name);
            if (hasher.hexDigest() != digest)
                throw std::runtime_error(name + " does not match the manifest");
        }
    }

    void readSpan(const ByteSpan& span, const std::function<void(const char*, size_t)>& sink) {
        const RangeAnswer answer =
            reader_.get(format("bytes=%llu-%llu", static_cast<unsigned long long>(span.first),
                               static_cast<unsigned long long>(span.last)),
                        {"If-Range: " + etag_}, sink);
        if (answer.status != 206)
            throw std::runtime_error(format("the server answered %d to a range", answer.status));
        const std::optional<ContentRange>& range = answer.range;
        if (!range || static_cast<uint64_t>(range->first) != span.first ||
            static_cast<uint64_t>(range->last) != span.last ||
            static_cast<uint64_t>(range->total) != total_)
            throw std::runtime_error("the server answered another range than asked for");
        if (answer.etag && *answer.etag != etag_)
            throw std::runtime_error("the package changed on the server");
    }

    void list(const std::string& relative, const ZipEntryInfo& info) {
        if (stamps_) stamps_->add(relative, info.crc, info.uncompressedSize);
    }

    void receive(std::string& into, const char* data, size_t size) {
        site_.checkCancel();
        into.append(data, size);
    }

    void count(uint64_t bytes) {
        const int64_t done = progress_.done + static_cast<int64_t>(bytes);
        progress_.done = std::min(done, progress_.total.load());
    }

    IInstallerSite& site_;
    const UpdateSource& source_;
    const PackageLocation& package_;
    Progress& progress_;
    FileStamps* stamps_;
    RangeReader reader_;
    std::string tail_;
    std::string etag_;
    uint64_t total_ = 0;
    uint64_t tailStart_ = 0;
    ZipDirectoryPlace place_;
    std::vector<ZipDirectoryEntry> entries_;
    int64_t reused_ = 0;
};

}  // namespace

ChangesOutcome deployPackageChanges(IInstallerSite& site, const UpdateSource& source,
                                    const PackageLocation& package, const std::string& cachedEtag,
                                    Progress& progress, FileStamps* stamps) {
    return PackageChanges(site, source, package, progress, stamps).run(cachedEtag);
}
