#pragma once

#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstring>

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
        const Entry& e = entries_[Slot(frequency)];
        if (e.band && e.size == frequency.size() &&
            std::memcmp(e.key, frequency.data(), static_cast<std::size_t>(e.size)) == 0)
            return e.band;
        return nullptr;
    }

    // `band` must outlive the cache.
    void Insert(QByteArrayView frequency, const QString& band)
    {
        if (frequency.size() > MaxKey)
            return;
        Entry& e = entries_[Slot(frequency)];
        e.size = static_cast<unsigned char>(frequency.size());
        std::memcpy(e.key, frequency.data(), static_cast<std::size_t>(frequency.size()));
        e.band = &band;
    }

private:
    static constexpr qsizetype MaxKey = 15;
    static constexpr std::size_t Slots = 256;

    struct Entry {
        const QString* band = nullptr;
        unsigned char size = 0;
        char key[MaxKey];
    };

    static std::size_t Slot(QByteArrayView key)
    {
        std::size_t h = 2166136261u; // FNV-1a
        for (char c : key)
            h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
        return (h ^ (h >> 8)) % Slots;
    }

    std::array<Entry, Slots> entries_{};
};
