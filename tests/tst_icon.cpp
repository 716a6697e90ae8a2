// The application icon: the committed Windows .ico file, read byte by byte, and the PNG that
// the executable carries as a Qt resource.
#include <QtTest>

#include <QFile>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPixmap>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

#ifndef VUSK_ICO_PATH
#error "VUSK_ICO_PATH must name the .ico file under test"
#endif

namespace {

const QString kResourcePng = QStringLiteral(":/icons/vusk-sandwich.png");

constexpr qsizetype kDirHeader = 6;
constexpr qsizetype kDirEntry = 16;
constexpr qsizetype kInfoHeader = 40;

unsigned U8(const QByteArray& b, qsizetype at) { return static_cast<unsigned char>(b[at]); }
unsigned U16(const QByteArray& b, qsizetype at) { return U8(b, at) | U8(b, at + 1) << 8; }
quint32 U32(const QByteArray& b, qsizetype at) { return U16(b, at) | quint32(U16(b, at + 2)) << 16; }
qint32 S32(const QByteArray& b, qsizetype at) { return static_cast<qint32>(U32(b, at)); }

struct Entry {
    int width = 0;   // bWidth, 0 meaning 256
    int height = 0;  // bHeight, 0 meaning 256
    unsigned colorCount = 0;
    unsigned reserved = 0;
    unsigned planes = 0;
    unsigned bitCount = 0;
    quint32 bytes = 0;
    quint32 offset = 0;
};

struct Dib {
    qint32 headerSize = 0, width = 0, height = 0;
    unsigned planes = 0, bitCount = 0;
    quint32 compression = 0, clrUsed = 0;
    int paletteSize = 0;  // entries actually present
};

// One decoded image: straight ARGB colours from the colour bitmap (with the palette applied)
// and the AND mask, true where the pixel is transparent.
struct Pixels {
    int size = 0;
    int bpp = 0;
    std::vector<QRgb> colour;
    std::vector<bool> transparent;
    std::vector<int> index;  // palette index, for 4 and 8 bits per pixel
    std::vector<QRgb> palette;
};

int Stride(int width, int bpp) { return ((width * bpp + 31) / 32) * 4; }

QByteArray ReadIco() {
    QFile f(QStringLiteral(VUSK_ICO_PATH));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

std::vector<Entry> Entries(const QByteArray& ico) {
    std::vector<Entry> out;
    const unsigned count = U16(ico, 4);
    for (unsigned i = 0; i < count; ++i) {
        const qsizetype at = kDirHeader + kDirEntry * i;
        Entry e;
        e.width = int(U8(ico, at));
        e.height = int(U8(ico, at + 1));
        e.colorCount = U8(ico, at + 2);
        e.reserved = U8(ico, at + 3);
        e.planes = U16(ico, at + 4);
        e.bitCount = U16(ico, at + 6);
        e.bytes = U32(ico, at + 8);
        e.offset = U32(ico, at + 12);
        out.push_back(e);
    }
    return out;
}

Dib ReadDib(const QByteArray& ico, const Entry& e) {
    const qsizetype at = e.offset;
    Dib d;
    d.headerSize = S32(ico, at);
    d.width = S32(ico, at + 4);
    d.height = S32(ico, at + 8);
    d.planes = U16(ico, at + 12);
    d.bitCount = U16(ico, at + 14);
    d.compression = U32(ico, at + 16);
    d.clrUsed = U32(ico, at + 32);
    if (d.bitCount <= 8) d.paletteSize = d.clrUsed ? int(d.clrUsed) : 1 << d.bitCount;
    return d;
}

// Expects an entry that passed the directory and header checks.
Pixels Decode(const QByteArray& ico, const Entry& e) {
    const Dib d = ReadDib(ico, e);
    Pixels p;
    p.size = d.width;
    p.bpp = int(d.bitCount);
    const int n = p.size;
    qsizetype at = e.offset + kInfoHeader;
    for (int i = 0; i < d.paletteSize; ++i, at += 4)
        p.palette.push_back(qRgb(int(U8(ico, at + 2)), int(U8(ico, at + 1)), int(U8(ico, at))));
    const qsizetype xorAt = at;
    const qsizetype andAt = xorAt + qsizetype(Stride(n, p.bpp)) * n;
    p.colour.resize(size_t(n) * n);
    p.transparent.resize(size_t(n) * n);
    p.index.assign(size_t(n) * n, -1);
    for (int y = 0; y < n; ++y) {
        const int row = n - 1 - y;  // bitmaps are stored bottom-up
        const qsizetype line = xorAt + qsizetype(row) * Stride(n, p.bpp);
        for (int x = 0; x < n; ++x) {
            const size_t i = size_t(y) * n + x;
            if (p.bpp == 32) {
                const qsizetype px = line + 4 * x;
                p.colour[i] = qRgba(int(U8(ico, px + 2)), int(U8(ico, px + 1)), int(U8(ico, px)),
                                    int(U8(ico, px + 3)));
            } else {
                const int index = p.bpp == 8 ? int(U8(ico, line + x))
                                             : int(U8(ico, line + x / 2) >> (x % 2 ? 0 : 4)) & 0xf;
                p.index[i] = index;
                p.colour[i] = index < int(p.palette.size()) ? p.palette[size_t(index)] : 0;
            }
            const unsigned maskByte = U8(ico, andAt + qsizetype(row) * Stride(n, 1) + x / 8);
            p.transparent[i] = (maskByte >> (7 - x % 8)) & 1;
        }
    }
    return p;
}

// Mean absolute difference per channel over the pixels both images show.
double MeanColourError(const Pixels& a, const Pixels& b) {
    double sum = 0;
    long n = 0;
    for (size_t i = 0; i < a.colour.size(); ++i) {
        if (a.transparent[i] || b.transparent[i]) continue;
        sum += std::abs(qRed(a.colour[i]) - qRed(b.colour[i])) +
               std::abs(qGreen(a.colour[i]) - qGreen(b.colour[i])) +
               std::abs(qBlue(a.colour[i]) - qBlue(b.colour[i]));
        n += 3;
    }
    return n ? sum / double(n) : 1e9;
}

}  // namespace

class TestIcon : public QObject {
    Q_OBJECT

    QByteArray ico_;
    std::vector<Entry> entries_;

    // The directory is sound: every later test reads through it.
    void requireSoundDirectory() {
        QVERIFY2(ico_.size() >= kDirHeader + 6 * kDirEntry, "the .ico file is missing or too short");
        QCOMPARE(U16(ico_, 4), 6u);
        QCOMPARE(entries_.size(), size_t(6));
        for (const Entry& e : entries_) {
            QVERIFY(e.offset >= quint32(kDirHeader + 6 * kDirEntry));
            QVERIFY(e.bytes >= quint32(kInfoHeader));
            QVERIFY(qint64(e.offset) + e.bytes <= ico_.size());
        }
    }

    // Each image's BITMAPINFOHEADER matches its directory entry; the pixel tests rely on it.
    void requireSoundHeaders() {
        requireSoundDirectory();
        if (QTest::currentTestFailed()) return;
        for (const Entry& e : entries_) {
            const QByteArray what = QByteArray::number(e.width) + "px " + QByteArray::number(e.bitCount) + "bpp";
            const Dib d = ReadDib(ico_, e);
            QVERIFY2(d.headerSize == kInfoHeader, what.constData());  // BITMAPINFOHEADER, not a PNG
            QVERIFY2(d.width == e.width, what.constData());
            QVERIFY2(d.height == 2 * e.height, what.constData());  // colour bitmap plus mask
            QVERIFY2(d.planes == 1, what.constData());
            QVERIFY2(d.bitCount == e.bitCount, what.constData());
            QVERIFY2(d.compression == 0, what.constData());  // BI_RGB
            QVERIFY2(d.paletteSize == (e.bitCount <= 8 ? 1 << e.bitCount : 0), what.constData());
            QVERIFY2(d.paletteSize == 0 || int(e.colorCount) == (d.paletteSize < 256 ? d.paletteSize : 0),
                     what.constData());
            // The directory's byte count is exactly header, palette, colour bitmap and mask.
            const qint64 expected = kInfoHeader + 4 * d.paletteSize +
                                    qint64(Stride(e.width, int(e.bitCount))) * e.height +
                                    qint64(Stride(e.width, 1)) * e.height;
            QVERIFY2(qint64(e.bytes) == expected, what.constData());
        }
    }

private slots:
    void initTestCase() {
        ico_ = ReadIco();
        // Read the directory only when the file holds all of it.
        if (ico_.size() >= kDirHeader && ico_.size() >= kDirHeader + kDirEntry * qsizetype(U16(ico_, 4)))
            entries_ = Entries(ico_);
    }

    void directoryHeader() {
        QVERIFY2(ico_.size() >= kDirHeader, qPrintable(QStringLiteral("cannot read %1").arg(QStringLiteral(VUSK_ICO_PATH))));
        QCOMPARE(U16(ico_, 0), 0u);  // reserved
        QCOMPARE(U16(ico_, 2), 1u);  // 1: icon, 2 would be a cursor
        QCOMPARE(U16(ico_, 4), 6u);  // image count
        QVERIFY(ico_.size() >= kDirHeader + 6 * kDirEntry);
    }

    void entriesAreTheSixImages() {
        requireSoundDirectory();
        if (QTest::currentTestFailed()) return;
        std::multiset<std::pair<int, unsigned>> got;
        for (const Entry& e : entries_) {
            QCOMPARE(e.width, e.height);
            got.insert({e.width, e.bitCount});
            QCOMPARE(e.reserved, 0u);
            QCOMPARE(e.planes, 1u);
            // bColorCount is the palette size when it is under 256, else 0.
            QCOMPARE(e.colorCount, e.bitCount == 4 ? 16u : 0u);
        }
        const std::multiset<std::pair<int, unsigned>> want{{32, 4}, {32, 8}, {32, 32},
                                                           {16, 4}, {16, 8}, {16, 32}};
        QVERIFY2(got == want, "the images must be 32x32 and 16x16, each at 4, 8 and 32 bits per pixel");
    }

    void entriesLieInsideTheFileWithoutOverlapping() {
        requireSoundDirectory();
        if (QTest::currentTestFailed()) return;
        std::vector<Entry> byOffset = entries_;
        std::sort(byOffset.begin(), byOffset.end(),
                  [](const Entry& a, const Entry& b) { return a.offset < b.offset; });
        for (size_t i = 1; i < byOffset.size(); ++i)
            QVERIFY2(qint64(byOffset[i - 1].offset) + byOffset[i - 1].bytes <= byOffset[i].offset,
                     "two images share bytes");
        // Nothing is left over after the last image either.
        QCOMPARE(qint64(byOffset.back().offset) + byOffset.back().bytes, qint64(ico_.size()));
    }

    void dibHeadersAgreeWithTheDirectory() { requireSoundHeaders(); }

    void depthsShowTheSamePicture() {
        requireSoundHeaders();
        if (QTest::currentTestFailed()) return;
        for (int size : {32, 16}) {
            std::vector<Pixels> images;
            for (const Entry& e : entries_)
                if (e.width == size) images.push_back(Decode(ico_, e));
            QCOMPARE(images.size(), size_t(3));
            std::sort(images.begin(), images.end(), [](const Pixels& a, const Pixels& b) { return a.bpp < b.bpp; });
            const Pixels& full = images[2];
            QCOMPARE(full.bpp, 32);

            // A real shape: neither an empty mask nor a square block.
            const auto clear = std::count(full.transparent.begin(), full.transparent.end(), true);
            QVERIFY(clear > 0);
            QVERIFY(clear < qsizetype(full.transparent.size()) * 3 / 4);

            for (size_t i = 0; i < full.colour.size(); ++i) {
                // The mask follows the alpha channel of the 32-bit image.
                QVERIFY2(full.transparent[i] == (qAlpha(full.colour[i]) < 128), "mask and alpha disagree");
            }
            for (int k = 0; k < 2; ++k) {
                const Pixels& low = images[size_t(k)];
                QVERIFY2(low.transparent == full.transparent, "the palette image has another shape");
                for (size_t i = 0; i < low.colour.size(); ++i) {
                    QVERIFY(low.index[i] < int(low.palette.size()));
                    // Behind the mask the colour must be black, or it is XORed onto the desktop.
                    if (low.transparent[i]) QCOMPARE(low.colour[i] & 0xffffff, QRgb(0));
                }
                const double error = MeanColourError(low, full);
                const double allowed = low.bpp == 8 ? 6.0 : 16.0;
                QVERIFY2(error < allowed, qPrintable(QStringLiteral("%1px %2bpp is off by %3 per channel")
                                                         .arg(size)
                                                         .arg(low.bpp)
                                                         .arg(error)));
            }
        }
    }

    void qtReadsEveryImage() {
        requireSoundHeaders();
        if (QTest::currentTestFailed()) return;
        if (!QImageReader::supportedImageFormats().contains("ico")) QSKIP("this Qt has no ICO reader");
        QImageReader reader(QStringLiteral(VUSK_ICO_PATH), "ico");
        QCOMPARE(reader.imageCount(), 6);
        for (int i = 0; i < 6; ++i) {
            QVERIFY(reader.jumpToImage(i));
            const QImage img = reader.read();
            QVERIFY2(!img.isNull(), qPrintable(reader.errorString()));
            const Pixels mine = Decode(ico_, entries_[size_t(i)]);
            QCOMPARE(img.width(), mine.size);
            QCOMPARE(img.height(), mine.size);
            // Qt's reader and ours agree on which pixels show.
            const QImage argb = img.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < mine.size; ++y)
                for (int x = 0; x < mine.size; ++x)
                    QCOMPARE(qAlpha(argb.pixel(x, y)) < 128, bool(mine.transparent[size_t(y) * mine.size + x]));
        }
    }

    void resourcePngLoads() {
        const QImage img(kResourcePng);
        QVERIFY2(!img.isNull(), "the icon is not in the resources");
        QCOMPARE(img.width(), img.height());
        QVERIFY(img.width() >= 128);
        QVERIFY(img.hasAlphaChannel());
        const QImage argb = img.convertToFormat(QImage::Format_ARGB32);
        int clear = 0, solid = 0;
        for (int y = 0; y < argb.height(); ++y)
            for (int x = 0; x < argb.width(); ++x) {
                const int a = qAlpha(argb.pixel(x, y));
                clear += a == 0;
                solid += a == 255;
            }
        QVERIFY(clear > 0);
        QVERIFY(solid > argb.width() * argb.height() / 4);

        const QIcon icon(kResourcePng);
        QVERIFY(!icon.isNull());
        const QPixmap small = icon.pixmap(QSize(16, 16));
        QVERIFY(!small.isNull());
        QVERIFY(small.width() <= 16 * small.devicePixelRatio());
    }
};

QTEST_MAIN(TestIcon)
#include "tst_icon.moc"
