// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The application icon: the Windows .ico file that icotool puts together from the drawn
// images, the PNGs that the window carries as Qt resources, and the window's icon made of
// them. The container's layout is icotool's business; these tests check what the icon shows.
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

#include "window/frmVuskSandwich.h"

#ifndef VUSK_ICO_PATH
#error "VUSK_ICO_PATH must name the .ico file under test"
#endif

namespace {

const QString kResourcePng = QStringLiteral(":/icons/64x64/vusk-sandwich.png");

// One image of the .ico: its size and depth from the directory, its pixels from Qt's reader.
struct IcoImage {
    int size = 0;
    int bpp = 0;
    QImage pixels;  // ARGB32
};

unsigned U8(const QByteArray& b, qsizetype at) { return static_cast<unsigned char>(b[at]); }
unsigned U16(const QByteArray& b, qsizetype at) { return U8(b, at) | U8(b, at + 1) << 8; }

std::vector<IcoImage> ReadIco(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray ico = f.readAll();
    constexpr qsizetype kDirHeader = 6, kDirEntry = 16;
    if (ico.size() < kDirHeader) return {};
    const unsigned count = U16(ico, 4);
    if (ico.size() < kDirHeader + kDirEntry * qsizetype(count)) return {};

    QImageReader reader(path, "ico");
    std::vector<IcoImage> images;
    for (unsigned i = 0; i < count; ++i) {
        const qsizetype at = kDirHeader + kDirEntry * i;
        IcoImage img;
        img.size = int(U8(ico, at));
        img.bpp = int(U16(ico, at + 6));
        if (reader.jumpToImage(int(i))) img.pixels = reader.read().convertToFormat(QImage::Format_ARGB32);
        images.push_back(img);
    }
    return images;
}

bool Shows(QRgb pixel) { return qAlpha(pixel) >= 128; }

// Mean absolute difference per channel over the pixels both images show.
double MeanColourError(const QImage& a, const QImage& b) {
    double sum = 0;
    long n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (!Shows(p) || !Shows(q)) continue;
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
            n += 3;
        }
    return n ? sum / double(n) : 1e9;
}

}  // namespace

class TestIcon : public QObject {
    Q_OBJECT

    std::vector<IcoImage> ico_;

private slots:
    void init() {
        if (QByteArray(QTest::currentTestFunction()) == "resourcePngLoads") return;
        if (!QImageReader::supportedImageFormats().contains("ico")) QSKIP("this Qt has no ICO reader");
        if (ico_.empty()) ico_ = ReadIco(QStringLiteral(VUSK_ICO_PATH));
    }

    void entriesAreTheSixImages() {
        std::multiset<std::pair<int, int>> got;
        for (const IcoImage& img : ico_) {
            got.insert({img.size, img.bpp});
            QCOMPARE(img.pixels.size(), QSize(img.size, img.size));
        }
        const std::multiset<std::pair<int, int>> want{{32, 4}, {32, 8}, {32, 32}, {16, 4}, {16, 8}, {16, 32}};
        QVERIFY2(got == want, "the images must be 32x32 and 16x16, each at 4, 8 and 32 bits per pixel");
    }

    void depthsShowTheSamePicture() {
        for (int size : {32, 16}) {
            std::vector<IcoImage> images;
            for (const IcoImage& img : ico_)
                if (img.size == size) images.push_back(img);
            QCOMPARE(images.size(), size_t(3));
            std::sort(images.begin(), images.end(), [](const IcoImage& a, const IcoImage& b) { return a.bpp < b.bpp; });
            const QImage& full = images[2].pixels;

            // A real shape: neither nothing nor a square block.
            int clear = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x) clear += !Shows(full.pixel(x, y));
            QVERIFY(clear > 0);
            QVERIFY(clear < size * size * 3 / 4);

            for (int k = 0; k < 2; ++k) {
                const IcoImage& low = images[size_t(k)];
                for (int y = 0; y < size; ++y)
                    for (int x = 0; x < size; ++x)
                        QVERIFY2(Shows(low.pixels.pixel(x, y)) == Shows(full.pixel(x, y)),
                                 "the palette image has another shape");
                const double error = MeanColourError(low.pixels, full);
                const double allowed = low.bpp == 8 ? 6.0 : 16.0;
                QVERIFY2(error < allowed,
                         qPrintable(QStringLiteral("%1px %2bpp is off by %3 per channel").arg(size).arg(low.bpp).arg(error)));
            }
        }
    }

    void resourcePngLoads() {
        const QImage img(kResourcePng);
        QVERIFY2(!img.isNull(), "the icon is not in the resources");
        QCOMPARE(img.width(), img.height());
        QCOMPARE(img.width(), 64);
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

    // The sizes title bars, task bars and window lists draw, and no larger ones, which
    // on X11 would all be decoded and handed to the window manager.
    void windowIconSizes() {
        const vusk::frmVuskSandwich window;
        QList<QSize> sizes = window.windowIcon().availableSizes();
        std::sort(sizes.begin(), sizes.end(), [](QSize a, QSize b) { return a.width() < b.width(); });
        QCOMPARE(sizes, (QList<QSize>{{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}, {64, 64}}));
    }
};

QTEST_MAIN(TestIcon)
#include "tst_icon.moc"
