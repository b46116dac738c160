// Sub-picture units kept for a mux that comes after the run (several runs'
// streams muxed into one film in one pass). Only each unit's time, stream
// and place are kept in memory; its bytes go to a spool file in the folder
// of the output, so that memory does not grow with the units' bytes (a few
// kilobytes each, hundreds of megabytes for a long list).
//
// The spool file is unlinked as soon as it is open: the descriptor alone
// keeps it, and nothing is left behind by success, failure or a signal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace glyphon {

struct TimedUnit;

// The units a mux reads: times and streams at hand, bytes read one unit at
// a time.
class UnitList {
public:
    virtual ~UnitList() = default;
    virtual size_t Count() const = 0;
    virtual uint32_t Pts(size_t i) const = 0;  // 1/90,000 s from the video's first frame
    virtual int Stream(size_t i) const = 0;    // -1: the mux call's stream
    virtual size_t Size(size_t i) const = 0;
    // The unit's bytes into `bytes` (replacing its contents). Throws FileError.
    virtual void Read(size_t i, std::vector<uint8_t>& bytes) const = 0;
};

// A list of units held whole in memory.
class TimedUnitList : public UnitList {
public:
    explicit TimedUnitList(const std::vector<TimedUnit>& units) : units_(units) {}
    size_t Count() const override;
    uint32_t Pts(size_t i) const override;
    int Stream(size_t i) const override;
    size_t Size(size_t i) const override;
    void Read(size_t i, std::vector<uint8_t>& bytes) const override;

private:
    const std::vector<TimedUnit>& units_;
};

// Copies share the units (and the spool file).
class UnitSpool : public UnitList {
public:
    // Bytes kept in memory (small lists, tests).
    UnitSpool();
    // Bytes in a spool file in the folder of `besidePath` (created at the
    // first unit). Append throws FileError when it cannot be created.
    explicit UnitSpool(const std::string& besidePath);
    // Units of a list, in memory.
    UnitSpool(const std::vector<TimedUnit>& units);  // NOLINT: implicit, as a list literal would be

    // Throws FileError when the spool file cannot be written.
    void Append(uint32_t pts, int stream, const std::vector<uint8_t>& bytes);

    size_t Count() const override { return d_->index.size(); }
    uint32_t Pts(size_t i) const override { return d_->index[i].pts; }
    int Stream(size_t i) const override { return d_->index[i].stream; }
    size_t Size(size_t i) const override { return d_->index[i].size; }
    void Read(size_t i, std::vector<uint8_t>& bytes) const override;

    // Whether the bytes are in a spool file rather than memory.
    bool Spooled() const { return d_->fd >= 0; }

private:
    struct Entry {
        uint32_t pts;
        int32_t stream;
        uint64_t offset;
        uint32_t size;
    };
    struct Data {
        std::string folder;  // empty: in memory
        int fd = -1;
        std::vector<Entry> index;
        std::vector<uint8_t> pending;  // bytes not yet in the file (all of them, in memory)
        uint64_t written = 0;          // bytes in the file
        Data() = default;
        Data(const Data&) = delete;
        Data& operator=(const Data&) = delete;
        ~Data();
        void Open();
        void Flush();
    };
    std::shared_ptr<Data> d_;
};

// Several spools as one list, each spool's units in the stream given for it.
class JoinedUnitLists : public UnitList {
public:
    void Add(const UnitList& list, int stream);
    size_t Count() const override { return refs_.size(); }
    uint32_t Pts(size_t i) const override { return refs_[i].list->Pts(refs_[i].index); }
    int Stream(size_t i) const override { return refs_[i].stream; }
    size_t Size(size_t i) const override { return refs_[i].list->Size(refs_[i].index); }
    void Read(size_t i, std::vector<uint8_t>& bytes) const override {
        refs_[i].list->Read(refs_[i].index, bytes);
    }

private:
    struct Ref {
        const UnitList* list;
        size_t index;
        int stream;
    };
    std::vector<Ref> refs_;
};

}  // namespace glyphon
