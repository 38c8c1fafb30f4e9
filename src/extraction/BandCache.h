#pragma once

#include <QByteArrayView>
#include <QString>

#include <array>

// The band of each distinct frequency text, found once: a log holds a few dozen
// frequency texts over millions of contacts. Keys are the texts' bytes; only
// short texts are kept, longer ones are looked up every time.
class BandCache {
public:
    // The band of `frequency`, or nullptr when it is not cached yet.
    const QString* Find(QByteArrayView frequency) const
    {
        if (frequency.size() > MaxKey)
            return nullptr;
        const Key key = KeyOf(frequency);
        const Entry& e = entries_[Slot(key)];
        return e.key == key ? e.band : nullptr;
    }

    // `band` must outlive the cache.
    void Insert(QByteArrayView frequency, const QString& band)
    {
        if (frequency.size() > MaxKey)
            return;
        const Key key = KeyOf(frequency);
        entries_[Slot(key)] = {key, &band};
    }

private:
    static constexpr qsizetype MaxKey = 15;
    static constexpr std::size_t Slots = 256;

    // The text's bytes, zero-padded, with its length in the last byte: two
    // words compare a whole key.
    struct Key {
        quint64 low = 0, high = 0;
        bool operator==(const Key&) const = default;
    };

    struct Entry {
        Key key; // never a real key's: its length byte says 0, its band is null
        const QString* band = nullptr;
    };

    static Key KeyOf(QByteArrayView text)
    {
        // Shifted in byte by byte: the text was often written just before, and
        // reading it back as words would wait for those writes to land.
        Key key;
        const auto n = static_cast<int>(text.size());
        for (int i = 0; i < n && i < 8; ++i)
            key.low |= quint64{static_cast<unsigned char>(text[i])} << (8 * i);
        for (int i = 8; i < n; ++i)
            key.high |= quint64{static_cast<unsigned char>(text[i])} << (8 * (i - 8));
        key.high |= quint64(n + 1) << 56;
        return key;
    }

    static std::size_t Slot(const Key& key)
    {
        const quint64 h = (key.low * 0x9E3779B97F4A7C15ULL) ^ (key.high * 0xC2B2AE3D27D4EB4FULL);
        return static_cast<std::size_t>(h >> 56) % Slots;
    }

    std::array<Entry, Slots> entries_{};
};
