#include "Utf8Recoder.h"

namespace {

bool IsLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

} // namespace

Utf8Recoder::Utf8Recoder(QIODevice& target) : target_(target) {}

Utf8Recoder::~Utf8Recoder()
{
    if (isOpen())
        close();
}

bool Utf8Recoder::Pass(const QByteArray& bytes)
{
    const QByteArray utf8 = codec_.Decode(bytes).toUtf8();
    for (qsizetype done = 0; done < utf8.size();) {
        const qint64 written = target_.write(utf8.constData() + done, utf8.size() - done);
        if (written <= 0) {
            setErrorString(target_.errorString());
            return false;
        }
        done += written;
    }
    return true;
}

qint64 Utf8Recoder::writeData(const char* data, qint64 size)
{
    QByteArray bytes = held_;
    bytes.append(data, size);
    held_.clear();
    qsizetype whole = 0; // the bytes that end on a character boundary
    while (whole < bytes.size())
        whole += IsLeadByte(static_cast<unsigned char>(bytes[whole])) ? 2 : 1;
    if (whole > bytes.size()) {
        held_ = bytes.last(1);
        bytes.chop(1);
    }
    return Pass(bytes) ? size : -1;
}

void Utf8Recoder::close()
{
    if (!held_.isEmpty()) {
        Pass(held_);
        held_.clear();
    }
    QIODevice::close();
}
