#include "tools/mifread/input.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace mifread {

namespace {

constexpr int64_t kMaxInput = 0x7FFFFFFF;  // the module's sizes are 32-bit

class FileSource final : public Source {
public:
    explicit FileSource(const std::string& path) : Source(path) {}
    std::unique_ptr<mifhost::InputStream> Open() override { return mifhost::InputStream::FromFile(name()); }
    std::string Head(size_t n) override {
        std::ifstream in(name(), std::ios::binary);
        std::string head(n, '\0');
        in.read(head.data(), static_cast<std::streamsize>(n));
        head.resize(static_cast<size_t>(in.gcount()));
        return head;
    }
};

// The spooled bytes of standard input, shared by every stream opened on it.
struct Spool {
    std::string memory;
    std::FILE* file = nullptr;  // the whole input, when it outgrew memory
    int64_t size = 0;
    ~Spool() {
        if (file != nullptr) std::fclose(file);
    }
};

class SpoolStream final : public mifhost::InputStream {
public:
    explicit SpoolStream(std::shared_ptr<Spool> spool) : spool_(std::move(spool)) {}
    int64_t Size() const override { return spool_->size; }

protected:
    uint32_t ReadAt(void* buffer, uint32_t n) override {
        if (position_ >= spool_->size) return 0;
        uint32_t count = static_cast<uint32_t>(std::min<int64_t>(n, spool_->size - position_));
        if (spool_->file == nullptr) {
            std::memcpy(buffer, spool_->memory.data() + position_, count);
            return count;
        }
        if (std::fseek(spool_->file, static_cast<long>(position_), SEEK_SET) != 0) return 0;
        return static_cast<uint32_t>(std::fread(buffer, 1, count, spool_->file));
    }

private:
    std::shared_ptr<Spool> spool_;
};

class StdinSource final : public Source {
public:
    explicit StdinSource(std::shared_ptr<Spool> spool) : Source("-"), spool_(std::move(spool)) {}
    std::unique_ptr<mifhost::InputStream> Open() override { return std::make_unique<SpoolStream>(spool_); }
    std::string Head(size_t n) override {
        n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(n), spool_->size));
        if (spool_->file == nullptr) return spool_->memory.substr(0, n);
        std::string head(n, '\0');
        if (std::fseek(spool_->file, 0, SEEK_SET) != 0) return {};
        head.resize(std::fread(head.data(), 1, n, spool_->file));
        return head;
    }

private:
    std::shared_ptr<Spool> spool_;
};

}  // namespace

std::unique_ptr<Source> Source::FromFile(const std::string& path) { return std::make_unique<FileSource>(path); }

std::unique_ptr<Source> Source::FromStdin(std::FILE* in, size_t memoryLimit) {
    auto spool = std::make_shared<Spool>();
    std::vector<char> chunk(1 << 16);
    for (;;) {
        size_t n = std::fread(chunk.data(), 1, chunk.size(), in);
        if (n == 0) break;
        if (spool->size + static_cast<int64_t>(n) > kMaxInput) throw std::runtime_error("standard input is larger than 2 GiB");
        if (spool->file == nullptr && spool->memory.size() + n > memoryLimit) {
            spool->file = std::tmpfile();
            if (spool->file == nullptr) throw std::runtime_error(std::string("cannot create a temporary file: ") + std::strerror(errno));
            if (!spool->memory.empty() && std::fwrite(spool->memory.data(), 1, spool->memory.size(), spool->file) != spool->memory.size()) {
                throw std::runtime_error("cannot write to a temporary file");
            }
            std::string().swap(spool->memory);
        }
        if (spool->file != nullptr) {
            if (std::fwrite(chunk.data(), 1, n, spool->file) != n) throw std::runtime_error("cannot write to a temporary file");
        } else {
            spool->memory.append(chunk.data(), n);
        }
        spool->size += static_cast<int64_t>(n);
    }
    if (std::ferror(in)) throw std::runtime_error(std::string("cannot read standard input: ") + std::strerror(errno));
    return std::make_unique<StdinSource>(std::move(spool));
}

}  // namespace mifread
