#include "core/memo/search_index.h"

#include <algorithm>

namespace {
// Newest date first, then the kinds in order.
bool Before(const SearchIndex::Key& a, const SearchIndex::Key& b) {
    if (a.date.year != b.date.year) return a.date.year > b.date.year;
    if (a.date.month != b.date.month) return a.date.month > b.date.month;
    if (a.date.day != b.date.day) return a.date.day > b.date.day;
    return a.kind < b.kind;
}

bool Same(const SearchIndex::Key& a, const SearchIndex::Key& b) {
    return a.date == b.date && a.kind == b.kind;
}

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }

template <class Unit>
std::u16string Widen(const Unit* text, const TextLine& line, std::size_t units) {
    std::size_t end = line.end - line.begin > units ? line.begin + units : line.end;
    // A pair cut in two would show as a stray half.
    if (end < line.end && end > line.begin && IsHighSurrogate(text[end - 1])) --end;
    return std::u16string(text + line.begin, text + end);
}
}  // namespace

std::u16string LineOf(const char16_t* text, const TextLine& line, std::size_t units) {
    return Widen(text, line, units);
}

void SearchIndex::Reset(std::vector<Key> keys) {
    std::sort(keys.begin(), keys.end(), &Before);
    keys.erase(std::unique(keys.begin(), keys.end(), &Same), keys.end());
    m_items.clear();
    m_items.reserve(keys.size());
    for (const Key& key : keys) m_items.push_back(Item{key});
}

void SearchIndex::ResetOtherKinds(std::vector<Key> keys) {
    m_items.erase(std::remove_if(m_items.begin(), m_items.end(),
                                 [](const Item& item) { return item.key.kind != kMemo; }),
                  m_items.end());
    for (const Key& key : keys)
        if (key.kind != kMemo) m_items.push_back(Item{key});
    // One sort for them all: a Put each would move the items once per key.
    std::sort(m_items.begin(), m_items.end(),
              [](const Item& a, const Item& b) { return Before(a.key, b.key); });
    m_items.erase(std::unique(m_items.begin(), m_items.end(),
                              [](const Item& a, const Item& b) { return Same(a.key, b.key); }),
                  m_items.end());
}

std::size_t SearchIndex::Place(const Key& key, bool* found) const {
    const auto it = std::lower_bound(m_items.begin(), m_items.end(), key,
                                     [](const Item& item, const Key& k) { return Before(item.key, k); });
    *found = it != m_items.end() && Same(it->key, key);
    return static_cast<std::size_t>(it - m_items.begin());
}

std::size_t SearchIndex::Find(const Key& key) const {
    bool found = false;
    const std::size_t at = Place(key, &found);
    return found ? at : std::string::npos;
}

template <class Unit>
bool SearchIndex::Keep(Blocks<Unit>& blocks, const std::u16string& text, Item& item) {
    const std::size_t bytes = text.size() * sizeof(Unit);
    if (text.size() > Blocks<Unit>::kUnits || m_kept + bytes > m_keptLimit) return false;
    if (blocks.blocks.empty() || blocks.used + text.size() > Blocks<Unit>::kUnits) {
        blocks.blocks.emplace_back(new Unit[Blocks<Unit>::kUnits]);
        blocks.used = 0;
    }
    Unit* to = blocks.blocks.back().get() + blocks.used;
    for (std::size_t i = 0; i < text.size(); ++i) to[i] = static_cast<Unit>(text[i]);
    item.block = static_cast<std::uint32_t>(blocks.blocks.size() - 1);
    item.offset = static_cast<std::uint32_t>(blocks.used);
    item.length = static_cast<std::uint32_t>(text.size());
    blocks.used += text.size();
    m_kept += bytes;
    return true;
}

bool SearchIndex::SameText(const Item& item, const std::u16string& text) const {
    if (item.state != State::kept || item.length != text.size()) return false;
    if (item.wide) {
        const char16_t* kept = m_wide.blocks[item.block].get() + item.offset;
        return std::equal(text.begin(), text.end(), kept);
    }
    const unsigned char* kept = m_narrow.blocks[item.block].get() + item.offset;
    return std::equal(text.begin(), text.end(), kept);
}

std::size_t SearchIndex::Put(const Key& key, const std::u16string& text, bool* changed) {
    bool found = false;
    const std::size_t at = Place(key, &found);
    if (!found) m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(at), Item{key});
    Item& item = m_items[at];
    const bool same = found && SameText(item, text);
    if (changed) *changed = !same;
    if (same) return at;
    item.wide = std::any_of(text.begin(), text.end(), [](char16_t u) { return u > 0xFF; });
    const bool kept = item.wide ? Keep(m_wide, text, item) : Keep(m_narrow, text, item);
    item.state = kept ? State::kept : State::unkept;
    return at;
}

std::size_t SearchIndex::PutUnkept(const Key& key) {
    bool found = false;
    const std::size_t at = Place(key, &found);
    if (!found) m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(at), Item{key});
    m_items[at].state = State::unkept;
    return at;
}

std::size_t SearchIndex::Remove(const Key& key) {
    bool found = false;
    const std::size_t at = Place(key, &found);
    if (!found) return std::string::npos;
    m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(at));
    return at;
}

bool SearchIndex::Match(std::size_t i, const std::vector<std::u16string>& words,
                        const char16_t* fold, std::size_t lineUnits, std::u16string& line) const {
    const Item& item = m_items[i];
    if (item.state != State::kept) return false;
    if (item.wide) {
        const char16_t* text = m_wide.blocks[item.block].get() + item.offset;
        const auto found = MatchWords(text, item.length, words, fold);
        if (found) line = Widen(text, *found, lineUnits);
        return found.has_value();
    }
    const unsigned char* text = m_narrow.blocks[item.block].get() + item.offset;
    const auto found = MatchWords(text, item.length, words, fold);
    if (found) line = Widen(text, *found, lineUnits);
    return found.has_value();
}
