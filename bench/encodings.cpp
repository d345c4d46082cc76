// How often Open reads a class list without a byte-order mark in the encoding
// it was saved in: GBK lists of Chinese names, and UTF-8 lists of names in
// Latin, Cyrillic, Greek and Arabic script (TextCodec::looksLikeUtf8 decides).
//
//   build/bench/bench/bench_encodings [lists per length, default 300]
//
// The corpora, drawn with a fixed seed so that two runs agree:
// - "GBK": lists of 1 to 35 names of two or three hanzi from GB2312 level 1
//   (rows B0-D7 less D7FA-D7FE, 3755 hanzi), CR LF after each name; N lists of
//   each length, and 100 N more of one name, since short lists are the ones
//   whose bytes may also be valid UTF-8;
// - "GBK, valid UTF-8": the same with the 682 of those hanzi whose two bytes
//   are also a two-byte UTF-8 sequence (lead C2-D7, trail A1-BF), so that every
//   list is valid UTF-8 and only the plausibility rule keeps it GBK;
// - "GBK, every 2-hanzi name": each of the 3755 x 3755 one-name lists;
// - "GBK lv 1+2, valid UTF-8": as "GBK, valid UTF-8", but from the 930 hanzi
//   of both levels whose bytes are also UTF-8 (lead C2-DF), where the rarer
//   level-2 hanzi (Arabic letters and others in UTF-8) are left to the UTF-8
//   reading to refuse;
// - one UTF-8 corpus per language: N lists of each length 1 to 35, each name
//   a given name and a surname (Vietnamese: surname, middle and given name)
//   from the small lists below, CR LF after each name.
// A list is read right when SeatListFile::parse gives back exactly its names.
// The table gives, per corpus and list length, the lists read right and the
// lists tried; for the GBK corpora also how many lists were valid UTF-8.

#include "files/seatlistfile.h"
#include "files/textcodec.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Lists of given names and surnames, words separated by blanks.
struct Language {
    const char *name;
    std::array<const char16_t *, 3> parts;
};

const Language Languages[] = {
    {"French",
     {u"Jérôme Hélène François Chloé Léa Théo Noémie Anaïs Zoé Céline Raphaël Gaëlle Louis Camille Benoît",
      u"Lefèvre Bérard Dupré Fontaine Mercier Girard Rousseau Gauthier Ménard Lemaître Thérien Bouchard Béranger Faure Leclère"}},
    {"Spanish",
     {u"José María Sofía Lucía Martín Andrés Raúl Iñigo Begoña Jesús Ángel Óscar Álvaro Inés Pablo",
      u"García Fernández González Rodríguez Martínez López Sánchez Pérez Gómez Muñoz Jiménez Ibáñez Peña Ruiz Díaz"}},
    {"German",
     {u"Jürgen Jörg Günther Björn Sören Käthe Lukas Anna Jonas Mia Lena Maximilian Paul Bärbel Hannah",
      u"Müller Schäfer Köhler Schröder Krüger Jäger Groß Weiß Hoffmann Schmidt Fischer Wagner Böhm Weber Förster"}},
    {"Portuguese",
     {u"João Conceição Antônio Inês Gonçalo Luís Mário Sebastião Tomás Letícia Vitória Beatriz Lucas Ana Rafael",
      u"Gonçalves Simões Magalhães Guimarães Brandão Araújo Silva Santos Ferreira Pereira Assunção Lourenço Sousa Lopes Falcão"}},
    {"Polish",
     {u"Łukasz Wojciech Małgorzata Krzysztof Agnieszka Paweł Michał Zofia Jędrzej Bartłomiej Józef Stanisław Joanna Kamil Ewa",
      u"Wiśniewski Wójcik Kowalczyk Kamiński Lewandowski Zieliński Szymański Woźniak Dąbrowski Kozłowski Mazur Jankowski Król Wróbel "
      u"Nowak"}},
    {"Czech",
     {u"Jiří Tomáš Lukáš Vojtěch Kateřina Zdeněk Jana Petra Radek Ondřej Lucie Anežka Tereza Jakub Šárka",
      u"Novák Svoboda Novotný Dvořák Černý Procházka Kučera Veselý Horák Němec Marek Pokorný Růžička Beneš Fiala"}},
    {"Turkish",
     {u"Çağrı Gökhan Ömer Şükrü Özlem Ayşe Elif Emre Gül İbrahim Hülya Mehmet Zeynep Burak Tuğba",
      u"Yılmaz Kaya Demir Şahin Çelik Yıldız Yıldırım Öztürk Aydın Özdemir Arslan Doğan Kılıç Aslan Çetin"}},
    {"Vietnamese",
     {u"Nguyễn Trần Lê Phạm Hoàng Huỳnh Phan Vũ Võ Đặng Bùi Đỗ Hồ Ngô Dương", u"Văn Thị Hữu Quang Thanh Minh Ngọc Xuân Kim Đình",
      u"Thảo Hương Dũng Minh Anh Tuấn Hà Linh Quân Phương Đức Ngọc Trang Thủy Huy"}},
    {"Russian",
     {u"Алексей Дмитрий Сергей Анастасия Мария Иван Екатерина Ольга Никита Татьяна Михаил Юлия Павел Светлана Артём",
      u"Иванов Смирнов Кузнецов Попов Васильев Петров Соколов Михайлов Новиков Фёдоров Морозов Волков Алексеев Лебедев Семёнов"}},
    {"Ukrainian",
     {u"Олександр Андрій Олена Наталія Юрій Тарас Оксана Ірина Богдан Ярослав Галина Євген Мирослава Віталій Софія",
      u"Шевченко Коваленко Бондаренко Ткаченко Кравченко Олійник Шевчук Поліщук Бойко Мельник Мороз Лисенко Петренко Савченко Руденко"}},
    {"Kazakh (Cyrillic)",
     {u"Нұрлан Айгүл Әлия Ерлан Асқар Гүлнар Дәурен Мұхтар Айгерім Жанар Бауыржан Сәуле Қайрат Ғалым Динара",
      u"Нұрланов Сейітов Жұмабаев Әбдірахманов Қасымов Ахметов Омаров Сүлейменов Байжанов Тоқаев Мұратов Есенов Серікбаев Оспанов Исаев"}},
    {"Greek",
     {u"Γιώργος Δημήτρης Νίκος Μαρία Ελένη Κατερίνα Σοφία Ιωάννης Κώστας Αθηνά Παναγιώτης Χρήστος Βασιλική Ευαγγελία Σταύρος",
      u"Παπαδόπουλος Γεωργίου Οικονόμου Νικολάου Παπαγεωργίου Δημητρίου Ιωάννου Κωνσταντίνου Βλάχος Αντωνίου Μακρής Καραγιάννης "
      u"Αλεξίου Σταυρόπουλος Πετρίδης"}},
    {"Uyghur",
     {u"ئەخمەت مۇھەممەت ئەركىن ئالىم گۈلنار پاتىمە ئايگۈل دىلنۇر تۇرسۇن قادىر مەريەم ئىلھام رەھىمە ئابلىز ئادىل",
      u"ئابدۇرېھىم قۇربان ئوسمان ھوشۇر ئىمىن ياقۇپ سايىم مامۇت ئەمەت نىياز غوپۇر ئىسمايىل داۋۇت ھەسەن تۇرسۇن"}},
    {"Kazakh (Arabic)",
     {u"نۇرلان اسقار مۇحتار جانار قايرات دينارا ساۋلە ايگەرىم ەرلان بەكزات سەرىك ايدوس عالىم باۋىرجان ايگۇل",
      u"ومار ەسەن ساپار بولات دوسجان جاقسىلىق مۇرات تالعات قانات ەربول سەيىت ارمان اسەت نۇرجان قابدوللا"}},
    {"Arabic",
     {u"محمد أحمد فاطمة علي خالد سارة يوسف مريم عمر ليلى حسن نور جابر زينب هدى",
      u"العلي الحسن حداد خوري منصور سعيد الشمري النجار صالح حمدان عباس جبر رشيد عيسى القحطاني"}},
    {"Persian",
     {u"علی رضا محمد مهدی زهرا فاطمه سارا امیر حسین مریم نگار پرستو آرش کیان شیما",
      u"رضایی محمدی حسینی احمدی کریمی موسوی جعفری رحیمی صادقی هاشمی کاظمی قاسمی ابراهیمی نوری تهرانی"}},
};

constexpr int MaxLength = SeatListFile::MaxEntries;
constexpr int Buckets = 4;
const char *const BucketNames[Buckets] = {"1 name", "2-5 names", "6-15 names", "16-35 names"};

int bucketOf(int length)
{
    return length == 1 ? 0 : length <= 5 ? 1 : length <= 15 ? 2 : 3;
}

struct Tally {
    std::array<long, Buckets> lists{};
    std::array<long, Buckets> right{};
    std::array<long, Buckets> validUtf8{};

    void add(int length, const QByteArray &bytes, const QStringList &names)
    {
        const auto entries = SeatListFile::parse(bytes, true);
        const int bucket = bucketOf(length);
        ++lists[bucket];
        right[bucket] += entries.ok() && entries.value() == names ? 1 : 0;
        validUtf8[bucket] += TextCodec::decodeUtf8(bytes) ? 1 : 0;
    }
};

void print(const char *corpus, const Tally &tally, bool gbk)
{
    std::printf("%-26s", corpus);
    long right = 0, lists = 0;
    for (int b = 0; b < Buckets; ++b) {
        std::printf(" %9ld/%-9ld", tally.right[b], tally.lists[b]);
        right += tally.right[b];
        lists += tally.lists[b];
    }
    std::printf(" %8.3f%%\n", 100.0 * double(right) / double(std::max(lists, 1L)));
    if (gbk) {
        std::printf("%-26s", "  of which valid UTF-8");
        for (int b = 0; b < Buckets; ++b)
            std::printf(" %9ld%10s", tally.validUtf8[b], "");
        std::printf("\n");
    }
}

// The last lead bytes of GB2312's level-1 and level-2 hanzi.
constexpr int LevelOneEnd = 0xD7;
constexpr int LevelTwoEnd = 0xF7;

// A GB2312 hanzi: its two bytes and its text.
struct Hanzi {
    QByteArray bytes;
    QString text;
};

std::vector<Hanzi> gb2312Hanzi(int lastLead, bool alsoUtf8)
{
    std::vector<Hanzi> hanzi;
    for (int lead = 0xB0; lead <= lastLead; ++lead) {
        for (int trail = 0xA1; trail <= (lead == 0xD7 ? 0xF9 : 0xFE); ++trail) {
            if (alsoUtf8 && (lead < 0xC2 || lead > 0xDF || trail > 0xBF))
                continue;
            const QByteArray bytes = QByteArray(1, char(lead)) + char(trail);
            hanzi.push_back({bytes, TextCodec::decodeGb18030(bytes).value()});
        }
    }
    return hanzi;
}

Tally gbkCorpus(const std::vector<Hanzi> &hanzi, int perLength, std::mt19937 &random)
{
    Tally tally;
    std::uniform_int_distribution<std::size_t> pick(0, hanzi.size() - 1);
    for (int length = 1; length <= MaxLength; ++length) {
        const int count = length == 1 ? 101 * perLength : perLength;
        for (int list = 0; list < count; ++list) {
            QByteArray bytes;
            QStringList names;
            for (int n = 0; n < length; ++n) {
                QString name;
                for (int size = 2 + int(random() % 2); size > 0; --size) {
                    const Hanzi &one = hanzi[pick(random)];
                    bytes += one.bytes;
                    name += one.text;
                }
                bytes += "\r\n";
                names << name;
            }
            tally.add(length, bytes, names);
        }
    }
    return tally;
}

Tally everyTwoHanziName(const std::vector<Hanzi> &hanzi)
{
    Tally tally;
    for (const Hanzi &first : hanzi) {
        for (const Hanzi &second : hanzi)
            tally.add(1, first.bytes + second.bytes + "\r\n", {first.text + second.text});
    }
    return tally;
}

Tally utf8Corpus(const Language &language, int perLength, std::mt19937 &random)
{
    std::vector<QStringList> parts;
    for (const char16_t *part : language.parts) {
        if (part)
            parts.push_back(QString::fromUtf16(part).split(u' '));
    }
    Tally tally;
    for (int length = 1; length <= MaxLength; ++length) {
        for (int list = 0; list < perLength; ++list) {
            QStringList names;
            for (int n = 0; n < length; ++n) {
                QStringList words;
                for (const QStringList &part : parts)
                    words << part.at(qsizetype(random() % std::size_t(part.size())));
                names << words.join(u' ');
            }
            tally.add(length, (names.join(u"\r\n"_s) + u"\r\n"_s).toUtf8(), names);
        }
    }
    return tally;
}

} // namespace

int main(int argc, char *argv[])
{
    const int perLength = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    const auto start = std::chrono::steady_clock::now();
    std::mt19937 random(20261207);
    std::printf("%-26s", "read right / lists");
    for (const char *bucket : BucketNames)
        std::printf(" %19s", bucket);
    std::printf(" %9s\n", "all");

    const std::vector<Hanzi> hanzi = gb2312Hanzi(LevelOneEnd, false);
    print("GBK", gbkCorpus(hanzi, perLength, random), true);
    print("GBK, valid UTF-8", gbkCorpus(gb2312Hanzi(LevelOneEnd, true), perLength, random), true);
    print("GBK, every 2-hanzi name", everyTwoHanziName(hanzi), true);
    print("GBK lv 1+2, valid UTF-8", gbkCorpus(gb2312Hanzi(LevelTwoEnd, true), perLength, random), true);
    for (const Language &language : Languages)
        print(language.name, utf8Corpus(language, perLength, random), false);

    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("%d lists per length (%d of one GBK name), %.1f s\n", perLength, 101 * perLength, seconds.count());
    return 0;
}
