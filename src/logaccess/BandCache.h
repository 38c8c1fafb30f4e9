#pragma once

#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstring>

// The band of each distinct frequency text, found once: a log holds a few dozen
// frequency texts over millions of contacts. Keys are bytes of at most 16: a
// text, or the bytes a record source keeps a frequency in (see
// RecordSource::Glance). Longer keys are never kept; once the table is three
// quarters full nothing more is, so a lookup always ends.
class BandCache {
public:
    // The band of `key`, or nullptr when it is not cached.
    const QString* Find(QByteArrayView key) const
    {
        if (key.size() > MaxKey)
            return nullptr;
        const Key k = KeyOf(key);
        for (std::size_t slot = Slot(k);; slot = (slot + 1) % Slots) {
            const Entry& e = entries_[slot];
            if (e.key == k)
                return e.band;
            if (!e.band)
                return nullptr;
        }
    }

    // `band` must outlive the cache.
    void Insert(QByteArrayView key, const QString& band)
    {
        if (key.size() > MaxKey || used_ >= Slots * 3 / 4)
            return;
        const Key k = KeyOf(key);
        std::size_t slot = Slot(k);
        while (entries_[slot].band && !(entries_[slot].key == k))
            slot = (slot + 1) % Slots;
        if (!entries_[slot].band)
            ++used_;
        entries_[slot] = {k, &band};
    }

private:
    static constexpr qsizetype MaxKey = 16;
    static constexpr std::size_t Slots = 512;

    // The bytes, zero-padded, and the length: equal keys, equal bytes.
    struct Key {
        quint64 low = 0, high = 0;
        qsizetype size = -1; // an empty entry's: no key has it
        bool operator==(const Key&) const = default;
    };

    struct Entry {
        Key key;
        const QString* band = nullptr;
    };

    static quint64 Load(const char* p, qsizetype n) // n <= 8
    {
        // Two overlapping loads where they fit: no loop over the bytes.
        quint32 a, b;
        if (n >= 4) {
            std::memcpy(&a, p, 4);
            std::memcpy(&b, p + n - 4, 4);
            return a | quint64{b} << (8 * (n - 4));
        }
        quint64 w = 0;
        for (qsizetype i = 0; i < n; ++i)
            w |= quint64{static_cast<unsigned char>(p[i])} << (8 * i);
        return w;
    }

    static Key KeyOf(QByteArrayView bytes)
    {
        const qsizetype n = bytes.size();
        if (n <= 8)
            return {Load(bytes.data(), n), 0, n};
        quint64 low;
        std::memcpy(&low, bytes.data(), 8);
        return {low, Load(bytes.data() + 8, n - 8), n};
    }

    static std::size_t Slot(const Key& key)
    {
        const quint64 h = (key.low * 0x9E3779B97F4A7C15ULL) ^
                          ((key.high + static_cast<quint64>(key.size)) * 0xC2B2AE3D27D4EB4FULL);
        return static_cast<std::size_t>(h >> 40) % Slots;
    }

    std::array<Entry, Slots> entries_{};
    std::size_t used_ = 0;
};
