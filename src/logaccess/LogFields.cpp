#include "LogFields.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {
constexpr std::size_t TextSpace = RecordSource::FieldBufferSize;
constexpr qsizetype QslCharacters = 3;
} // namespace

LogFields::LogFields()
{
    for (RecordSource::FieldBuffer& buffer : scratch_) {
        std::memset(buffer, ' ', TextSpace);
        buffer[TextSpace] = '\0';
    }
}

void LogFields::NewRecord(RecordSource& source)
{
    source_ = &source.RecordHolder();
    holds_ = source_->HoldsLastRecord();
    const std::uint32_t exact = source_->ExactFields();
    if (exact != exact_) {
        // What a source that writes exactly left behind is not counted.
        dirty_.fill(TextSpace);
        exact_ = exact;
    }
    // Entries 17 to 20 are never fetched: they stay empty.
    fetched_ = ~((std::uint32_t{1} << RecordSource::FieldCount) - 1);
    decoded_ = fetched_;
    if (!holds_)
        Fetch(~fetched_);
}

void LogFields::Fetch(std::uint32_t fields) const
{
    // Only what the last fetch may have written needs its spaces back: a few
    // bytes, put back a word at a time (the text space is a whole number of words).
    static_assert(TextSpace % 8 == 0);
    constexpr quint64 Spaces = 0x2020202020202020ULL;
    const std::uint32_t refill = fields & ~exact_;
    for (std::uint32_t left = refill; left != 0; left &= left - 1) {
        const auto i = static_cast<std::size_t>(std::countr_zero(left));
        for (std::size_t at = 0; at < dirty_[i]; at += 8)
            std::memcpy(scratch_[i] + at, &Spaces, 8);
    }
    source_->FieldTexts(fields, scratch_, bytes_.data());
    for (std::uint32_t left = refill; left != 0; left &= left - 1) {
        const auto i = static_cast<std::size_t>(std::countr_zero(left));
        const QByteArrayView text = bytes_[i];
        if (text.data() == scratch_[i])
            dirty_[i] = std::min<std::size_t>(static_cast<std::size_t>(text.size()) + 1, TextSpace);
    }
    // Without a zero byte in the text space a field is empty; the marks are
    // taken from the space as it is.
    for (std::uint32_t left = fields & ~(std::uint32_t{1} << QslField); left != 0;
         left &= left - 1) {
        QByteArrayView& text = bytes_[static_cast<std::size_t>(std::countr_zero(left))];
        if (static_cast<std::size_t>(text.size()) >= TextSpace)
            text = {};
    }
    fetched_ |= fields;
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
