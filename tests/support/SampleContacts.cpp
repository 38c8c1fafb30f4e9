#include "SampleContacts.h"

namespace {

constexpr int PortableRun = 120;
constexpr char16_t JapaneseSecondLetters[] = u"ADEFGHIJKLMNOPQRS";

HdbContact Contact(const char* call, const char* qsl = "J  ")
{
    HdbContact c;
    c.Call = QString::fromLatin1(call);
    c.Qsl = qsl;
    return c;
}

} // namespace

std::vector<HdbContact> SampleContacts()
{
    std::vector<HdbContact> contacts;
    const auto add = [&](HdbContact c) { contacts.push_back(std::move(c)); };

    // Japanese portable stations in Japan time, unless said otherwise.
    add(Contact("JA1ABC/2"));
    add(Contact("7K3XYZ/JA0", "J J"));
    add(Contact("JA1ABC/1/P", "JNN"));
    add(Contact("JA1ABCD/3", "N"));     // base call overflows CALLS
    add(Contact("JA4QRS/5", "   "));   // no marks at all
    HdbContact reversed = Contact("KH6/JE3HHT");
    reversed.Flag = 0x000A;            // foreign, reversed order
    add(reversed);
    HdbContact utc = Contact("JA2XYZ/3");
    utc.Utc = true;
    add(utc);
    HdbContact deleted = Contact("JA3AAA/4");
    deleted.Deleted = true;
    add(deleted);
    HdbContact text = Contact("JH6ZZZ/8", "J *");
    text.Name = QStringLiteral("山田　太郎");
    text.Qth = QStringLiteral("ﾄｳｷｮｳﾄ 千代田区");
    text.Rmk1 = QStringLiteral("say \"hi\", ok");
    text.Rmk2 = QStringLiteral("ソフト表示　ＱＳＬ");
    text.Gl = QStringLiteral("PM95");
    text.Code = QStringLiteral("100110");
    add(text);
    HdbContact spaces = Contact("JR0ABC/9");
    spaces.Name = QStringLiteral("  lead");
    spaces.Qth = QStringLiteral("trail   ");
    spaces.His.clear();
    spaces.My.clear();
    add(spaces);
    HdbContact old = Contact("JA9OLD/0", "B");
    old.Century = 19;
    old.Year = 99;
    old.Month = 12;
    old.Day = 31;
    old.Hour = 23;
    old.Minute = 59;
    old.Freq = QStringLiteral("1200");
    old.Mode = QStringLiteral("CW");
    add(old);

    static const char* const Freqs[] = {"7.050", "50.200", "144.10", "430.00", "21.300"};
    static const char* const Modes[] = {"SSB", "CW", "FM", "FT8"};
    for (int i = 0; i < PortableRun; ++i) {
        HdbContact c;
        c.Call = QStringLiteral("J%1%2%3/%4")
                     .arg(QChar(JapaneseSecondLetters[i % 17]))
                     .arg(i % 10)
                     .arg(QChar(u'A' + i % 26))
                     .arg((i + 3) % 10);
        c.Call.insert(4, QChar(u'A' + (i / 26) % 26));
        c.Year = i % 100;
        c.Month = 1 + i % 12;
        c.Day = 1 + i % 28;
        c.Hour = i % 24;
        c.Minute = i % 60;
        c.Freq = QString::fromLatin1(Freqs[i % 5]);
        c.Mode = QString::fromLatin1(Modes[i % 4]);
        c.Code = QString::number(1000 + i * 37);
        c.Qsl = i % 3 ? "J  " : "J J";
        contacts.push_back(c);
    }
    return contacts;
}

int SampleContactsSelected()
{
    // All but the reversed foreign call, the UTC contact and the deleted one.
    return 8 + PortableRun;
}
