#include "LogFields.h"

#include <cstring>

namespace {
constexpr std::size_t TextSpace = RecordSource::FieldBufferSize;
constexpr qsizetype QslCharacters = 3;
} // namespace

LogFields::LogFields()
{
    for (Scratch& s : scratch_) {
        std::memset(s.bytes, ' ', TextSpace);
        s.bytes[TextSpace] = '\0';
    }
}

void LogFields::NewRecord(RecordSource& source)
{
    source_ = &source.RecordHolder();
    holds_ = source_->HoldsLastRecord();
    // Entries 17 to 20 are never fetched: they stay empty.
    fetched_ = ~((std::uint32_t{1} << RecordSource::FieldCount) - 1);
    decoded_ = fetched_;
    if (!holds_) {
        for (int i = 0; i < RecordSource::FieldCount; ++i)
            Fetch(i);
    }
}

void LogFields::Fetch(int i) const
{
    Scratch& s = scratch_[static_cast<std::size_t>(i)];
    // Only what the last fetch may have written needs its spaces back: a few
    // bytes, put back a word at a time (the text space is a whole number of words).
    static_assert(TextSpace % 8 == 0);
    constexpr quint64 Spaces = 0x2020202020202020ULL;
    for (std::size_t at = 0; at < s.dirty; at += 8)
        std::memcpy(s.bytes + at, &Spaces, 8);
    QByteArrayView text = source_->FieldText(static_cast<qint16>(i), s.bytes);
    if (text.data() == s.bytes)
        s.dirty = std::min<std::size_t>(static_cast<std::size_t>(text.size()) + 1, TextSpace);
    // Without a zero byte in the text space a field is empty; the marks are
    // taken from the space as it is.
    if (i != QslField && static_cast<std::size_t>(text.size()) >= TextSpace)
        text = {};
    bytes_[static_cast<std::size_t>(i)] = text;
    fetched_ |= std::uint32_t{1} << i;
}

const QString& LogFields::operator[](int i) const
{
    const auto bit = std::uint32_t{1} << i;
    if (!(decoded_ & bit)) {
        const QByteArrayView bytes = Bytes(i);
        QString& text = text_[static_cast<std::size_t>(i)];
        codec_.Decode(bytes.data(), bytes.size(), text);
        if (i == QslField)
            text.truncate(QslCharacters);
        decoded_ |= bit;
    }
    return text_[static_cast<std::size_t>(i)];
}

void LogFields::Materialize()
{
    if (!source_)
        return;
    for (int i = 0; i < RecordSource::FieldCount; ++i)
        (*this)[i];
    // The bytes may lie in the source's storage, which is about to change.
    bytes_.fill({});
    fetched_ = ~std::uint32_t{0};
    source_ = nullptr;
}
