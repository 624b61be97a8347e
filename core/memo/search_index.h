// The find dialog's index: the searchable text of every item (a date's
// memo; other kinds, say a repeating memo's occurrences, join through Put
// with a kind of their own), newest date first, in UTF-16 as the platform
// converted it. A text without a unit above 0xFF is kept a byte a unit.
//
// Its memory is bounded: texts are kept in blocks of 1 MiB (each a
// separate allocation, which the system's heap maps on its own and gives
// back whole when the index goes), at most kKeptBytes in all; an item whose
// text would go beyond is "unkept", and its owner reads it again when a
// search comes to it. Replaced texts stay in their block until the index
// goes (they count towards the bound).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/base/basic_types.h"
#include "core/memo/memo_search.h"

class SearchIndex {
public:
    static constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
    static constexpr std::size_t kKeptBytes = std::size_t{48} << 20;

    // What an item is. Items of one date keep the order of their kinds.
    struct Key {
        Date date;
        int kind = 0;  // 0: the date's memo
    };
    static constexpr int kMemo = 0;

    explicit SearchIndex(std::size_t keptBytes = kKeptBytes) : m_keptLimit(keptBytes) {}

    // Replaces every item by `keys` (any order), none of them read yet.
    void Reset(std::vector<Key> keys);
    // Replaces the items of every kind other than kMemo by `keys` (of such
    // kinds, any order), none of them read yet; the memos keep their texts.
    void ResetOtherKinds(std::vector<Key> keys);
    std::size_t Size() const { return m_items.size(); }
    const Key& KeyAt(std::size_t i) const { return m_items[i].key; }
    // Where the item is; npos when not there.
    std::size_t Find(const Key& key) const;

    // The item's text was read: kept when the bound allows, else unkept.
    // Inserts the item when it is new. Returns its place, and sets `changed`
    // unless it held the same text before.
    std::size_t Put(const Key& key, const std::u16string& text, bool* changed = nullptr);
    // The item's text could not be read now: its owner reads it at each search.
    std::size_t PutUnkept(const Key& key);
    // Removes the item; its former place, or npos when it was not there.
    std::size_t Remove(const Key& key);

    enum class State : std::uint8_t { unread, kept, unkept };
    State StateAt(std::size_t i) const { return m_items[i].state; }
    // Whether the item's kept text holds every word (see MatchWords); the
    // line to show then goes into `line` (at most `lineUnits` of it).
    bool Match(std::size_t i, const std::vector<std::u16string>& words, const char16_t* fold,
               std::size_t lineUnits, std::u16string& line) const;
    // The bytes of texts kept, replaced ones too; and of the blocks.
    std::size_t KeptBytes() const { return m_kept; }
    std::size_t BlockBytes() const { return (m_narrow.size() + m_wide.size()) * kBlockBytes; }

private:
    struct Item {
        Key key;
        State state = State::unread;
        bool wide = false;
        std::uint32_t block = 0, offset = 0, length = 0;  // in units
    };
    // Blocks of one unit type, filled in turn.
    template <class Unit>
    struct Blocks {
        std::vector<std::unique_ptr<Unit[]>> blocks;
        std::size_t used = 0;  // units of the last block
        std::size_t size() const { return blocks.size(); }
        static constexpr std::size_t kUnits = kBlockBytes / sizeof(Unit);
    };
    template <class Unit>
    bool Keep(Blocks<Unit>& blocks, const std::u16string& text, Item& item);
    bool SameText(const Item& item, const std::u16string& text) const;
    std::size_t Place(const Key& key, bool* found) const;

    std::vector<Item> m_items;  // newest date first
    Blocks<unsigned char> m_narrow;
    Blocks<char16_t> m_wide;
    std::size_t m_kept = 0;
    std::size_t m_keptLimit;
};

// The line of a match, cut to at most `units` (never inside a surrogate pair).
std::u16string LineOf(const char16_t* text, const TextLine& line, std::size_t units);
