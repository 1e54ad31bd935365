#include "record/TextPool.h"

#include <QHashFunctions>
#include <stdexcept>

TextPool::TextPool() : m_offsets{0, 0}
{
    rehash(64);
}

size_t TextPool::slotOf(QByteArrayView text, size_t hash) const
{
    const size_t mask = m_slots.size() - 1;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const quint32 entry = m_slots[slot];
        if (entry == 0 || view(entry - 1) == text)
            return slot;
    }
}

quint32 TextPool::intern(QByteArrayView text)
{
    if (text.isEmpty())
        return emptyId;
    const size_t hash = qHash(text);
    size_t slot = slotOf(text, hash);
    if (m_slots[slot] != 0)
        return m_slots[slot] - 1;

    if (m_bytes.size() + size_t(text.size()) > 0xFFFFFFFFu)
        throw std::length_error("reading table texts exceed 4 GiB");
    const auto id = static_cast<quint32>(m_offsets.size() - 1);
    m_bytes.insert(m_bytes.end(), text.begin(), text.end());
    m_offsets.push_back(static_cast<quint32>(m_bytes.size()));
    m_slots[slot] = id + 1;
    // Keep the table at most half full so probes stay short.
    if (size_t(count()) * 2 > m_slots.size())
        rehash(m_slots.size() * 2);
    return id;
}

std::optional<quint32> TextPool::find(QByteArrayView text) const
{
    if (text.isEmpty())
        return emptyId;
    const quint32 entry = m_slots[slotOf(text, qHash(text))];
    if (entry == 0)
        return std::nullopt;
    return entry - 1;
}

QByteArrayView TextPool::view(quint32 id) const
{
    const quint32 begin = m_offsets[id];
    return QByteArrayView(m_bytes.data() + begin, m_offsets[id + 1] - begin);
}

void TextPool::rehash(size_t slotCount)
{
    m_slots.assign(slotCount, 0);
    const size_t mask = slotCount - 1;
    for (quint32 id = 1; id < quint32(count()); ++id) {
        size_t slot = qHash(view(id)) & mask;
        while (m_slots[slot] != 0)
            slot = (slot + 1) & mask;
        m_slots[slot] = id + 1;
    }
}
