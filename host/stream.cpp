#include "host/stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace mifhost {

namespace {

class MemoryStream final : public InputStream {
public:
    explicit MemoryStream(std::string_view bytes) : data_(bytes) {}
    int64_t Size() const override { return static_cast<int64_t>(data_.size()); }

protected:
    uint32_t ReadAt(void* buffer, uint32_t n) override {
        if (position_ >= Size()) return 0;
        uint32_t count = static_cast<uint32_t>(std::min<int64_t>(n, Size() - position_));
        std::memcpy(buffer, data_.data() + position_, count);
        return count;
    }

private:
    std::string data_;
};

class FileStream final : public InputStream {
public:
    explicit FileStream(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
        if (file_ == nullptr) throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
        if (std::fseek(file_, 0, SEEK_END) != 0) throw std::runtime_error("cannot seek in " + path);
        long size = std::ftell(file_);
        if (size < 0) throw std::runtime_error("cannot measure " + path);
        if (size > 0x7FFFFFFFL) throw std::runtime_error(path + " is larger than 2 GiB");
        size_ = size;
        std::rewind(file_);
    }
    ~FileStream() override { std::fclose(file_); }
    int64_t Size() const override { return size_; }

protected:
    uint32_t ReadAt(void* buffer, uint32_t n) override {
        if (position_ >= size_) return 0;
        if (std::fseek(file_, static_cast<long>(position_), SEEK_SET) != 0) return 0;
        return static_cast<uint32_t>(std::fread(buffer, 1, n, file_));
    }

private:
    std::FILE* file_;
    int64_t size_ = 0;
};

}  // namespace

InputStream::InputStream() : block_(MIF_IS_MIN_SIZE / 8 + 2, 0) {
    InputStream* self = this;
    std::memcpy(block_.data(), &self, sizeof self);
    auto put = [this](int offset, auto fn) {
        static_assert(sizeof fn == 8, "the module reads 64-bit function pointers");
        std::memcpy(reinterpret_cast<uint8_t*>(block_.data()) + offset, &fn, sizeof fn);
    };
    put(MIF_IS_READ, static_cast<MifReadFn>(&InputStream::ReadThunk));
    put(MIF_IS_SEEK, static_cast<MifSeekFn>(&InputStream::SeekThunk));
    put(MIF_IS_TELL, static_cast<MifTellFn>(&InputStream::TellThunk));
}

std::unique_ptr<InputStream> InputStream::FromMemory(std::string_view bytes) {
    return std::unique_ptr<InputStream>(new MemoryStream(bytes));
}

std::unique_ptr<InputStream> InputStream::FromFile(const std::string& path) {
    return std::unique_ptr<InputStream>(new FileStream(path));
}

InputStream* InputStream::FromBlock(void* block) {
    InputStream* s;
    std::memcpy(&s, block, sizeof s);
    return s;
}

int32_t InputStream::ReadThunk(void* block, void* buffer, uint32_t maxBytes) {
    return FromBlock(block)->DoRead(buffer, maxBytes);
}
int32_t InputStream::SeekThunk(void* block, int32_t offset, int32_t whence) {
    return FromBlock(block)->DoSeek(offset, whence);
}
int32_t InputStream::TellThunk(void* block) { return FromBlock(block)->DoTell(); }

void InputStream::Log(StreamCall::Kind kind, int64_t a, int64_t b, int64_t result) {
    if (logging_) log_.push_back(StreamCall{kind, a, b, result, position_});
}

int32_t InputStream::DoRead(void* buffer, uint32_t maxBytes) {
    uint32_t n = maxBytes;
    if (!chunks_.empty()) {
        uint32_t chunk = chunks_[nextChunk_++ % chunks_.size()];
        if (chunk != 0) n = std::min(n, chunk);
    }
    n = std::min<uint32_t>(n, 0x7FFFFFFF);
    uint32_t got = buffer == nullptr ? 0 : ReadAt(buffer, n);
    position_ += got;
    int32_t result = got == 0 && position_ >= Size() ? endResult_ : static_cast<int32_t>(got);
    Log(StreamCall::Read, maxBytes, 0, result);
    return result;
}

int32_t InputStream::DoSeek(int32_t offset, int32_t whence) {
    int64_t base = whence == 0 ? 0 : whence == 1 ? position_ : whence == 2 ? Size() : -1;
    int32_t result = -1;
    if (base >= 0 && base + offset >= 0) {
        position_ = base + offset;
        result = 0;
    }
    Log(StreamCall::Seek, offset, whence, result);
    return result;
}

int32_t InputStream::DoTell() {
    int32_t result = static_cast<int32_t>(std::min<int64_t>(position_, 0x7FFFFFFF));
    Log(StreamCall::Tell, 0, 0, result);
    return result;
}

}  // namespace mifhost
