#include "CodePage932.h"
#include "ExtractionFileWriter.h"

#include <QBuffer>

#include <gtest/gtest.h>

TEST(ExtractionFileWriter, QuotesTextItemsAndLeavesTheNumberBare)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CodePage932 codec;
    ExtractionFileWriter writer(buffer, codec);
    writer.WriteRow({u"2", u"", u"JA1\"X\"/2", 2147483647, u"51/01/01", u"00:00J", u"10000",
                     u"a,b\tc\r\nd", u"表\"", u"\uFFFD"});
    ASSERT_TRUE(writer.Flush());
    EXPECT_EQ(buffer.data(), QByteArray("\"2\",\"\",\"JA1\"\"X\"\"/2\",2147483647,\"1951/01/01\","
                                        "\"00:00J\",\"10000\",\"a,b\tc\r\nd\",\"\x95\x5C\"\"\","
                                        "\"?\"\r\n"));
}
