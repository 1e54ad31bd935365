// Every distinct text of the reading table stored once. A day of logging repeats a handful of units and
// ranges and a few thousand values and times millions of times, so rows keep only 32-bit text ids.
#pragma once

#include <QByteArrayView>
#include <optional>
#include <vector>

class TextPool {
public:
    static constexpr quint32 emptyId = 0;  // the empty text, present in every pool

    TextPool();

    // The id of the text, added when it is new. Ids are never reused or changed.
    quint32 intern(QByteArrayView text);
    // The id of the text when the pool holds it.
    std::optional<quint32> find(QByteArrayView text) const;
    // Valid until the next intern() of a new text.
    QByteArrayView view(quint32 id) const;
    int count() const { return static_cast<int>(m_offsets.size()) - 1; }

private:
    void rehash(size_t slotCount);
    size_t slotOf(QByteArrayView text, size_t hash) const;

    std::vector<char> m_bytes;       // all texts back to back
    std::vector<quint32> m_offsets;  // text i spans m_offsets[i] .. m_offsets[i + 1]
    std::vector<quint32> m_slots;    // open addressing: id + 1, 0 for a free slot
};
