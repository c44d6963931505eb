#pragma once

// Sparse store of a sheet's cells.
//
// A cell's key is row * 256 + column (column 0 to 255, row 0 to 65,535). The
// store is a four-level table indexed by the key's bits 16-23, 8-15, 4-7 and
// 0-3 (256, 256, 16 and 16 entries): one block of 256 entries per group of
// 256 rows, one block of 16 entries per row used, and one block of 16 cells
// per group of 16 columns used in a row. A block is created when its first
// cell arrives, so a sheet takes memory only where it has cells. Walking the
// table in index order visits the cells in ascending key order: row by row,
// and within a row column by column.
//
// A cell's key is the position of its slot, so a cell holds only its XF
// index and the index of its text in the shared string table (8 bytes).
// Blocks come from large slabs, which keeps a full sheet of 2.7 million cells
// at a few allocations and without per-block overhead.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace orvanta {

struct TCell {
    uint32_t sstIndex = 0;
    uint16_t xf = 0;
    uint8_t used = 0;  // 0: empty slot; 1: a text cell
};
static_assert(sizeof(TCell) == 8);

class TCellStorage {
public:
    static constexpr int kColumns = 256;
    static constexpr int kRows = 65536;

    TCellStorage() = default;
    // A moved-from store is empty and usable.
    TCellStorage(TCellStorage&& other) noexcept { Swap(other); }
    TCellStorage& operator=(TCellStorage&& other) noexcept
    {
        TCellStorage(std::move(other)).Swap(*this);
        return *this;
    }
    TCellStorage(const TCellStorage&) = delete;
    TCellStorage& operator=(const TCellStorage&) = delete;

    // Puts a text cell, replacing any cell at (col, row). The caller keeps
    // col and row in range.
    void Put(uint32_t col, uint32_t row, uint16_t xf, uint32_t sstIndex)
    {
        TBlock2*& b2 = top_[row >> 8];
        if (!b2)
            b2 = New<TBlock2>();
        TBlock3*& b3 = b2->rows[row & 0xFF];
        if (!b3)
            b3 = New<TBlock3>();
        TBlock4*& b4 = b3->groups[col >> 4];
        if (!b4)
            b4 = New<TBlock4>();
        TCell& cell = b4->cells[col & 0x0F];
        if (!cell.used) {
            ++count_;
            if (count_ == 1) {
                minRow_ = maxRow_ = row;
                minCol_ = maxCol_ = col;
            } else {
                if (row < minRow_) minRow_ = row;
                if (row > maxRow_) maxRow_ = row;
                if (col < minCol_) minCol_ = col;
                if (col > maxCol_) maxCol_ = col;
            }
        }
        cell = TCell{sstIndex, xf, 1};
    }

    const TCell* Find(uint32_t col, uint32_t row) const
    {
        if (col >= kColumns || row >= kRows)
            return nullptr;
        const TBlock2* b2 = top_[row >> 8];
        if (!b2)
            return nullptr;
        const TBlock3* b3 = b2->rows[row & 0xFF];
        if (!b3)
            return nullptr;
        const TBlock4* b4 = b3->groups[col >> 4];
        if (!b4)
            return nullptr;
        const TCell& cell = b4->cells[col & 0x0F];
        return cell.used ? &cell : nullptr;
    }

    // Calls f(col, row, cell) for every cell in ascending key order.
    template <class F>
    void ForEach(F&& f) const
    {
        for (uint32_t i2 = 0; i2 < 256; ++i2) {
            const TBlock2* b2 = top_[i2];
            if (!b2)
                continue;
            for (uint32_t i3 = 0; i3 < 256; ++i3) {
                const TBlock3* b3 = b2->rows[i3];
                if (!b3)
                    continue;
                const uint32_t row = (i2 << 8) | i3;
                for (uint32_t i4 = 0; i4 < 16; ++i4) {
                    const TBlock4* b4 = b3->groups[i4];
                    if (!b4)
                        continue;
                    for (uint32_t c = 0; c < 16; ++c)
                        if (b4->cells[c].used)
                            f((i4 << 4) | c, row, b4->cells[c]);
                }
            }
        }
    }

    // Calls f(firstCol, row, cells) for every block of 16 cells (columns
    // firstCol to firstCol + 15 of a row) in ascending key order; the block's
    // empty slots have `used` 0.
    template <class F>
    void ForEachBlock(F&& f) const
    {
        for (uint32_t i2 = 0; i2 < 256; ++i2) {
            const TBlock2* b2 = top_[i2];
            if (!b2)
                continue;
            for (uint32_t i3 = 0; i3 < 256; ++i3) {
                const TBlock3* b3 = b2->rows[i3];
                if (!b3)
                    continue;
                for (uint32_t i4 = 0; i4 < 16; ++i4)
                    if (const TBlock4* b4 = b3->groups[i4])
                        f(i4 << 4, (i2 << 8) | i3, b4->cells);
            }
        }
    }

    uint32_t Count() const { return count_; }
    bool Empty() const { return count_ == 0; }
    // Smallest and largest row and column of any cell; 0 when empty.
    uint32_t MinRow() const { return minRow_; }
    uint32_t MaxRow() const { return maxRow_; }
    uint32_t MinCol() const { return minCol_; }
    uint32_t MaxCol() const { return maxCol_; }

private:
    struct TBlock4 { TCell cells[16]; };
    struct TBlock3 { TBlock4* groups[16]; };
    struct TBlock2 { TBlock3* rows[256]; };

    template <class T>
    T* New()
    {
        static_assert(alignof(T) <= alignof(std::max_align_t));
        constexpr size_t size = (sizeof(T) + 15) & ~size_t(15);
        if (slabFree_ < size) {
            // calloc, not new[]: fresh pages from the system are zero
            // already, and calloc knows not to clear them again.
            void* slab = std::calloc(1, kSlabSize);
            if (!slab)
                throw std::bad_alloc();
            slabs_.emplace_back(static_cast<unsigned char*>(slab));
            slabNext_ = slabs_.back().get();
            slabFree_ = kSlabSize;
        }
        T* block = reinterpret_cast<T*>(slabNext_);  // zero bytes are null pointers and empty cells
        slabNext_ += size;
        slabFree_ -= size;
        return block;
    }

    void Swap(TCellStorage& o) noexcept
    {
        std::swap(top_, o.top_);
        std::swap(slabs_, o.slabs_);
        std::swap(slabNext_, o.slabNext_);
        std::swap(slabFree_, o.slabFree_);
        std::swap(count_, o.count_);
        std::swap(minRow_, o.minRow_);
        std::swap(maxRow_, o.maxRow_);
        std::swap(minCol_, o.minCol_);
        std::swap(maxCol_, o.maxCol_);
    }

    static constexpr size_t kSlabSize = 256 * 1024;

    std::array<TBlock2*, 256> top_{};
    struct TFree {
        void operator()(unsigned char* p) const { std::free(p); }
    };
    std::vector<std::unique_ptr<unsigned char, TFree>> slabs_;
    unsigned char* slabNext_ = nullptr;
    size_t slabFree_ = 0;
    uint32_t count_ = 0;
    uint32_t minRow_ = 0, maxRow_ = 0, minCol_ = 0, maxCol_ = 0;
};

}  // namespace orvanta
