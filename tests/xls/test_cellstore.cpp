// The sparse cell store: ascending key order whatever the order of putting,
// replacement, and the used range.

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "xls/cellstore.h"

using namespace orvanta;

TEST(CellStore, VisitsCellsInAscendingKeyOrderWhateverTheOrderPut)
{
    TCellStorage store;
    std::map<uint32_t, uint32_t> reference;  // key row*256+col -> string index
    std::mt19937 random(7);
    for (uint32_t i = 0; i < 20000; ++i) {
        const uint32_t col = random() % 256, row = random() % 65536;
        store.Put(col, row, 15, i);
        reference[row * 256 + col] = i;  // a later put replaces
    }
    // The corners of the sheet.
    for (const auto& [col, row] : {std::pair{0u, 0u}, {255u, 0u}, {0u, 65535u}, {255u, 65535u}}) {
        store.Put(col, row, 15, 99999);
        reference[row * 256 + col] = 99999;
    }

    std::vector<std::pair<uint32_t, uint32_t>> visited;
    store.ForEach([&](uint32_t col, uint32_t row, const TCell& cell) {
        visited.emplace_back(row * 256 + col, cell.sstIndex);
    });
    EXPECT_EQ(visited, (std::vector<std::pair<uint32_t, uint32_t>>(reference.begin(), reference.end())));
    EXPECT_EQ(store.Count(), reference.size());
    EXPECT_EQ(store.MinRow(), 0u);
    EXPECT_EQ(store.MaxRow(), 65535u);
    EXPECT_EQ(store.MaxCol(), 255u);
}

TEST(CellStore, ReplacingACellKeepsOneCellWithTheNewValues)
{
    TCellStorage store;
    store.Put(17, 300, 15, 1);
    store.Put(17, 300, 21, 2);
    ASSERT_NE(store.Find(17, 300), nullptr);
    EXPECT_EQ(store.Find(17, 300)->sstIndex, 2u);
    EXPECT_EQ(store.Find(17, 300)->xf, 21u);
    EXPECT_EQ(store.Count(), 1u);
    // Neighbours in the same blocks are not cells.
    EXPECT_EQ(store.Find(16, 300), nullptr);
    EXPECT_EQ(store.Find(17, 301), nullptr);
    EXPECT_EQ(store.Find(256, 300), nullptr);
    EXPECT_EQ(store.Find(17, 65536), nullptr);
}

TEST(CellStore, UsedRangeIsTheSmallestAndLargestRowAndColumn)
{
    TCellStorage store;
    EXPECT_TRUE(store.Empty());
    store.Put(40, 9, 15, 0);
    store.Put(3, 12, 15, 1);
    store.Put(7, 2, 15, 2);
    EXPECT_EQ(store.MinRow(), 2u);
    EXPECT_EQ(store.MaxRow(), 12u);
    EXPECT_EQ(store.MinCol(), 3u);
    EXPECT_EQ(store.MaxCol(), 40u);
}

TEST(CellStore, MovedFromStoreIsEmptyAndUsable)
{
    TCellStorage a;
    a.Put(1, 1, 15, 5);
    TCellStorage b(std::move(a));
    EXPECT_EQ(b.Find(1, 1)->sstIndex, 5u);
    EXPECT_TRUE(a.Empty());  // NOLINT(bugprone-use-after-move): documented behaviour
    a.Put(2, 2, 15, 6);
    EXPECT_EQ(a.Find(2, 2)->sstIndex, 6u);
    EXPECT_EQ(a.Find(1, 1), nullptr);
}
