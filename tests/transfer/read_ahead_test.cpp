// The reader thread of a send: every item once and in order, its failure
// after the items before it, and a writer that stops early never waits.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

#include "transfer/read_ahead.h"

namespace {

struct Text {
  std::string bytes;
  std::size_t Bytes() const { return bytes.size(); }
};

using TextReadAhead = transfer::ReadAhead<Text>;

// Items 0, 1, ... of `size` bytes each; throws after `count` when `fails`.
TextReadAhead::Produce Numbers(int count, std::size_t size, bool fails = false) {
  return [=, next = 0](Text& item) mutable {
    if (next == count) {
      if (fails) throw std::runtime_error("unreadable");
      return false;
    }
    item.bytes = std::to_string(next++);
    item.bytes.resize(size, ' ');
    return true;
  };
}

std::vector<int> TakeAll(TextReadAhead& reader) {
  std::vector<int> taken;
  for (Text item; reader.Next(item);) taken.push_back(std::stoi(item.bytes));
  return taken;
}

std::vector<int> ZeroTo(int count) {
  std::vector<int> numbers;
  for (int i = 0; i < count; ++i) numbers.push_back(i);
  return numbers;
}

TEST(ReadAhead, GivesEveryItemOnceInOrderWhateverTheBounds) {
  struct Case {
    std::size_t maxItems, maxBytes, itemBytes;
  };
  // Room for many, for one by count, for one by bytes, an item larger than the whole room.
  for (const Case& c : {Case{1000, 1 << 20, 8}, Case{1, 1 << 20, 8}, Case{1000, 10, 8}, Case{1000, 10, 64}}) {
    SCOPED_TRACE(testing::Message() << c.maxItems << " items, " << c.maxBytes << " bytes, of " << c.itemBytes);
    TextReadAhead reader(c.maxItems, c.maxBytes, Numbers(5000, c.itemBytes));
    EXPECT_EQ(TakeAll(reader), ZeroTo(5000));
    Text after;
    EXPECT_FALSE(reader.Next(after)) << "the end stays the end";
  }
}

TEST(ReadAhead, AFailureOfTheReaderComesAfterTheItemsBeforeIt) {
  TextReadAhead reader(4, 1 << 20, Numbers(10, 8, true));
  std::vector<int> taken;
  Text item;
  EXPECT_THROW(
      {
        while (reader.Next(item)) taken.push_back(std::stoi(item.bytes));
      },
      std::runtime_error);
  EXPECT_EQ(taken, ZeroTo(10));
}

TEST(ReadAhead, AWriterThatStopsEarlyStopsTheReader) {
  std::atomic<int> made = 0;
  {
    TextReadAhead reader(3, 1 << 20, [&](Text& item) {
      item.bytes = std::to_string(made++);
      return true;  // rows without end
    });
    Text item;
    ASSERT_TRUE(reader.Next(item));
    EXPECT_EQ(item.bytes, "0");
  }  // would hang if the reader went on waiting for room
  EXPECT_LE(made.load(), 4 * 3) << "the reader went on far past its room";
}

}  // namespace
