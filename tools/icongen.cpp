// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the Vusk sandwich application icon (a cob of vusk in a bun, lying on the diagonal)
// and writes every file the desktop needs:
//
//   icons/NxN/vusk-sandwich.png   the freedesktop hicolor sizes, also used by the Qt resource
//   vusk-sandwich.ico             Windows: 32x32 and 16x16, each in 16 colours, 256 colours
//                                 and 32-bit colour with alpha
//   vusk-sandwich.icns            macOS: PNG-based entries
//
// Usage: vusk-icongen <output folder> <work folder>
//
// The output folder is normally the resources/ folder of the source tree. The .ico is put
// together by icoutils' icotool from the 32-bit PNGs and the palette PNGs that this program
// leaves in the work folder (ico-SIZE-4.png, ico-SIZE-8.png); the build's vusk-icons target
// runs both. Only Qt Gui is used here (QImage and QPainter, no window system).

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSaveFile>
#include <QString>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <numbers>
#include <utility>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------
// Colours. The 16-colour Windows images use exactly this list as their palette, so every colour
// the drawing relies on is here.

constexpr QRgb kOutline = 0xff4e2c10;
constexpr QRgb kBunDark = 0xffb86a26;
constexpr QRgb kBunMid = 0xffdb9845;
constexpr QRgb kBunLight = 0xfff3c77e;
constexpr QRgb kCrumb = 0xfffbe6b8;
constexpr QRgb kCobGroove = 0xffc98308;
constexpr QRgb kKernelDark = 0xffe9a90f;
constexpr QRgb kKernel = 0xfff9cc2c;
constexpr QRgb kKernelLight = 0xffffe368;
constexpr QRgb kShine = 0xfffff7cf;
constexpr QRgb kLeafDark = 0xff2b6e22;
constexpr QRgb kLeaf = 0xff57ad35;
constexpr QRgb kLeafLight = 0xff9ad65a;
constexpr QRgb kCrustDeep = 0xff8a4c1b;
constexpr QRgb kWhite = 0xffffffff;  // not drawn with; fills the last palette slot

// With the transparent slot in front, these make the sixteen colours of the small images.
const std::vector<QRgb> kPalette15{kOutline, kBunDark,    kBunMid,   kBunLight, kCrumb,
                                   kCobGroove, kKernelDark, kKernel,  kKernelLight, kShine,
                                   kLeafDark, kLeaf,        kLeafLight, kCrustDeep, kWhite};

QColor c(QRgb rgb) { return QColor::fromRgba(rgb); }

// ---------------------------------------------------------------------------------------------
// The drawing. Shapes are laid out in "model" units with the sandwich lying horizontally and
// its centre at the origin; a rotation puts it on the rising diagonal and a scale fits it to the
// image. Fine detail (kernels, highlights, the shadow) thins out as the image gets smaller so
// the small sizes stay readable.

struct Shapes {
    QPainterPath backBun;
    QPainterPath cob;
    QPainterPath leaf;
    QPainterPath frontBun;
};

QPainterPath Capsule(double x0, double y0, double x1, double y1) {
    QPainterPath p;
    const double r = (y1 - y0) / 2.0;
    p.addRoundedRect(QRectF(QPointF(x0, y0), QPointF(x1, y1)), r, r);
    return p;
}

// Small icons get a fatter cob and a lower front bun so that the yellow still shows.
bool Small(int size) { return size <= 32; }

double Angle(int size) { return Small(size) ? -45.0 : -36.0; }

Shapes MakeShapes(int size) {
    Shapes s;
    const bool small = Small(size);
    s.backBun = small ? Capsule(-92, -50, 92, 10) : Capsule(-98, -50, 98, 16);
    s.cob = small ? Capsule(-128, -40, 128, 24) : Capsule(-124, -34, 124, 22);

    // A frilly leaf tucked between the cob and the front of the bun: scallops along the top,
    // hidden below by the bun.
    QPainterPath leaf;
    const double left = -100, right = 100, top = small ? 6 : -6, depth = 40;
    const int scallops = 7;
    const double w = (right - left) / scallops;
    leaf.moveTo(left, top + depth);
    leaf.lineTo(left - 4, top + 6);
    for (int i = 0; i < scallops; ++i) {
        const double x = left + i * w;
        leaf.quadTo(x + w * 0.5, top - 13, x + w, top + 2);
    }
    leaf.lineTo(right + 4, top + 6);
    leaf.lineTo(right, top + depth);
    leaf.closeSubpath();
    s.leaf = leaf;

    s.frontBun = small ? Capsule(-102, 10, 102, 62) : Capsule(-104, -2, 104, 62);
    return s;
}

// Rotation and scale that fit the whole sandwich into a size x size image with a margin.
QTransform FitTransform(const Shapes& s, int size, double* unitsPerPixel) {
    QTransform rot;
    rot.rotate(Angle(size));
    QPainterPath all = s.backBun.united(s.cob).united(s.leaf).united(s.frontBun);
    const QRectF box = rot.map(all).boundingRect();
    const double margin = size >= 48 ? size * 0.035 : 0.5;
    const double scale = std::min((size - 2 * margin) / box.width(), (size - 2 * margin) / box.height());
    *unitsPerPixel = 1.0 / scale;
    QTransform t;  // applied to a point from the last call to the first
    t.translate(size / 2.0, size / 2.0);
    t.scale(scale, scale);
    t.translate(-box.center().x(), -box.center().y());
    t.rotate(Angle(size));
    return t;
}

void DrawKernels(QPainter& p, const Shapes& s, double px, int size) {
    // The cob is a cylinder seen from the side: rows of kernels wrap round it, so the rows are
    // spaced by the sine of their angle and squashed towards the top and bottom edges.
    const QRectF bounds = s.cob.boundingRect();
    const double cy = bounds.center().y(), radius = bounds.height() / 2 - 1;
    p.save();
    p.setClipPath(s.cob);
    p.setPen(Qt::NoPen);
    if (Small(size)) {
        // No room for kernels: plain yellow, lit along the top.
        p.setBrush(c(kKernel));
        p.drawPath(s.cob);
        p.setBrush(c(kKernelLight));
        p.drawRect(QRectF(bounds.left(), bounds.top(), bounds.width(), bounds.height() * 0.4));
        if (size >= 32) {  // a hint of kernels: a dotted row along the middle
            p.setBrush(c(kKernelDark));
            for (double x = -130; x < 130; x += 3.0 * px)
                p.drawEllipse(QPointF(x, cy - 0.25 * radius), 0.7 * px, 0.7 * px);
        }
        p.restore();
        return;
    }
    const int rows = size >= 96 ? 7 : 5;
    const double pitch = size >= 200 ? 15.5 : size >= 96 ? 19 : 24;
    for (int r = 0; r < rows; ++r) {
        const double a0 = -std::numbers::pi / 2 + std::numbers::pi * r / rows;
        const double a1 = -std::numbers::pi / 2 + std::numbers::pi * (r + 1) / rows;
        const double y0 = cy + radius * std::sin(a0);
        const double y1 = cy + radius * std::sin(a1);
        const double gap = std::max(0.9 * px, (y1 - y0) * 0.12);
        const double middle = (a0 + a1) / 2;  // the row's angle: negative is the lit upper half
        const double facing = std::cos(middle);  // rows facing us get a shine
        const QColor kernel = middle < -0.9 ? c(kKernelLight) : middle < 0.6 ? c(kKernel) : c(kKernelDark);
        const double offset = (r % 2) * pitch * 0.5;
        for (double x = -140 + offset; x < 140; x += pitch) {
            QRectF k(QPointF(x + gap / 2, y0 + gap / 2), QPointF(x + pitch - gap / 2, y1 - gap / 2));
            if (k.height() <= 0) continue;
            QRadialGradient g(k.center() - QPointF(k.width() * 0.2, k.height() * 0.25),
                              std::max(k.width(), k.height()) * 0.75);
            g.setColorAt(0.0, facing > 0.5 ? c(kShine) : c(kKernelLight));
            g.setColorAt(0.55, kernel);
            g.setColorAt(1.0, c(kKernelDark));
            p.setBrush(g);
            const double round = std::min(k.width(), k.height()) * 0.35;
            p.drawRoundedRect(k, round, round);
        }
    }
    p.restore();
}

QImage Render(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    const Shapes s = MakeShapes(size);
    double px = 1.0;  // model units per pixel
    const QTransform t = FitTransform(s, size, &px);

    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setTransform(t);

    const double outlinePx = std::max(1.0, size / 46.0);
    QPen outline(c(kOutline), outlinePx * px);
    outline.setJoinStyle(Qt::RoundJoin);
    QPen leafPen(c(kLeafDark), outlinePx * px);
    leafPen.setJoinStyle(Qt::RoundJoin);

    // A soft shadow under the sandwich.
    if (size >= 48) {
        p.save();
        p.setPen(Qt::NoPen);
        QRadialGradient g(QPointF(0, 0), 1.0);
        g.setCoordinateMode(QGradient::ObjectMode);
        g.setCenter(0.5, 0.5);
        g.setFocalPoint(0.5, 0.5);
        g.setRadius(0.5);
        g.setColorAt(0.0, QColor(60, 30, 0, 90));
        g.setColorAt(0.7, QColor(60, 30, 0, 40));
        g.setColorAt(1.0, QColor(60, 30, 0, 0));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(-118, 36, 236, 44), 22, 22);
        p.restore();
    }

    // Back of the bun, behind the cob.
    {
        QLinearGradient g(0, -50, 0, 16);
        g.setColorAt(0.0, c(kBunMid));
        g.setColorAt(1.0, c(kBunDark));
        p.setPen(outline);
        p.setBrush(g);
        p.drawPath(s.backBun);
        if (size >= 64) {  // the soft inside of the bun, just above the cob
            p.save();
            p.setClipPath(s.backBun);
            p.setPen(Qt::NoPen);
            p.setBrush(c(kCrumb));
            p.drawPath(Capsule(-88, -40, 88, 10));
            p.restore();
            p.setPen(outline);
            p.setBrush(Qt::NoBrush);
            p.drawPath(s.backBun);
        }
    }

    // The cob.
    {
        p.setPen(Qt::NoPen);
        p.setBrush(c(kCobGroove));
        p.drawPath(s.cob);
        DrawKernels(p, s, px, size);
        p.setPen(outline);
        p.setBrush(Qt::NoBrush);
        p.drawPath(s.cob);
    }

    // The leaf.
    {
        QLinearGradient g(0, -14, 0, 14);
        g.setColorAt(0.0, c(kLeafLight));
        g.setColorAt(0.6, c(kLeaf));
        g.setColorAt(1.0, c(kLeafDark));
        p.setPen(leafPen);
        p.setBrush(g);
        p.drawPath(s.leaf);
    }

    // Front of the bun.
    {
        QLinearGradient g(0, -2, 0, 62);
        g.setColorAt(0.0, c(kBunLight));
        g.setColorAt(0.45, c(kBunMid));
        g.setColorAt(1.0, c(kBunDark));
        p.setPen(outline);
        p.setBrush(g);
        p.drawPath(s.frontBun);
        if (size >= 32) {  // a glint of light along the crust
            p.save();
            p.setClipPath(s.frontBun);
            QPen glint(c(kCrumb), std::max(1.0, size / 40.0) * px, Qt::SolidLine, Qt::RoundCap);
            p.setPen(glint);
            p.setBrush(Qt::NoBrush);
            QPainterPath arc;
            arc.moveTo(-78, 12);
            arc.quadTo(0, 4, 70, 12);
            p.drawPath(arc);
            p.restore();
        }
        if (size >= 96) {  // a few score marks on the crust
            p.save();
            p.setClipPath(s.frontBun);
            QPen score(c(kCrustDeep), size / 90.0 * px, Qt::SolidLine, Qt::RoundCap);
            p.setPen(score);
            for (int i = -2; i <= 2; ++i) {
                const double x = i * 34.0;
                p.drawLine(QPointF(x - 7, 44), QPointF(x + 7, 34));
            }
            p.restore();
        }
    }
    p.end();
    return img.convertToFormat(QImage::Format_ARGB32);
}

// ---------------------------------------------------------------------------------------------
// Colour reduction for the palette images of the ICO file.

int Distance(QRgb a, QRgb b) {
    // Weighted RGB distance ("redmean"); good enough to pick the nearest palette colour.
    const int rm = (qRed(a) + qRed(b)) / 2;
    const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
    return ((512 + rm) * dr * dr >> 8) + 4 * dg * dg + ((767 - rm) * db * db >> 8);
}

int Nearest(const std::vector<QRgb>& palette, QRgb colour) {
    int best = 0, bestD = Distance(palette[0], colour);
    for (int i = 1; i < static_cast<int>(palette.size()); ++i) {
        const int d = Distance(palette[i], colour);
        if (d < bestD) {
            best = i;
            bestD = d;
        }
    }
    return best;
}

bool Opaque(QRgb pixel) { return qAlpha(pixel) >= 128; }

// Median cut over the opaque pixels of img, giving at most `count` colours.
std::vector<QRgb> MedianCut(const QImage& img, int count) {
    std::map<QRgb, int> histogram;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb px = img.pixel(x, y);
            if (Opaque(px)) ++histogram[qRgb(qRed(px), qGreen(px), qBlue(px))];
        }
    struct Entry {
        QRgb rgb;
        int n;
    };
    using Box = std::vector<Entry>;
    std::vector<Box> boxes(1);
    for (const auto& [rgb, n] : histogram) boxes[0].push_back({rgb, n});

    auto channel = [](QRgb v, int ch) { return ch == 0 ? qRed(v) : ch == 1 ? qGreen(v) : qBlue(v); };
    auto widest = [&](const Box& b, int* range) {
        int best = 0;
        *range = -1;
        for (int ch = 0; ch < 3; ++ch) {
            int lo = 255, hi = 0;
            for (const Entry& e : b) {
                lo = std::min(lo, channel(e.rgb, ch));
                hi = std::max(hi, channel(e.rgb, ch));
            }
            if (hi - lo > *range) {
                *range = hi - lo;
                best = ch;
            }
        }
        return best;
    };
    while (static_cast<int>(boxes.size()) < count) {
        int pick = -1, pickRange = 0, pickCh = 0;
        for (int i = 0; i < static_cast<int>(boxes.size()); ++i) {
            if (boxes[i].size() < 2) continue;
            int range = 0;
            const int ch = widest(boxes[i], &range);
            if (range > pickRange) {
                pick = i;
                pickRange = range;
                pickCh = ch;
            }
        }
        if (pick < 0) break;
        Box& b = boxes[pick];
        std::sort(b.begin(), b.end(),
                  [&](const Entry& l, const Entry& r) { return channel(l.rgb, pickCh) < channel(r.rgb, pickCh); });
        long total = 0;
        for (const Entry& e : b) total += e.n;
        long run = 0;
        size_t cut = 1;
        for (; cut < b.size(); ++cut) {
            run += b[cut - 1].n;
            if (run * 2 >= total) break;
        }
        cut = std::clamp<size_t>(cut, 1, b.size() - 1);
        Box upper(b.begin() + static_cast<long>(cut), b.end());
        b.resize(cut);
        boxes.push_back(std::move(upper));
    }
    std::vector<QRgb> palette;
    for (const Box& b : boxes) {
        if (b.empty()) continue;
        double r = 0, g = 0, bl = 0, n = 0;
        for (const Entry& e : b) {
            r += qRed(e.rgb) * double(e.n);
            g += qGreen(e.rgb) * double(e.n);
            bl += qBlue(e.rgb) * double(e.n);
            n += e.n;
        }
        palette.push_back(qRgb(int(std::lround(r / n)), int(std::lround(g / n)), int(std::lround(bl / n))));
    }
    return palette;
}

// A palette image for the .ico: entry 0 is transparent, the others are `colours`, and every
// opaque pixel takes the nearest of them.
QImage PaletteImage(const QImage& img, const std::vector<QRgb>& colours) {
    QImage out(img.size(), QImage::Format_Indexed8);
    QList<QRgb> table{qRgba(0, 0, 0, 0)};
    table.append(QList<QRgb>(colours.begin(), colours.end()));
    out.setColorTable(table);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb px = img.pixel(x, y);
            out.setPixel(x, y, Opaque(px) ? uint(1 + Nearest(colours, px)) : 0u);
        }
    return out;
}

// ---------------------------------------------------------------------------------------------
// ICNS writing: big-endian chunks, each holding a PNG.

void Put32BE(QByteArray& out, std::uint32_t v) {
    for (int i = 3; i >= 0; --i) out.append(char((v >> (8 * i)) & 0xff));
}

QByteArray Png(const QImage& img) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG", 0);  // quality 0: the strongest compression
    return bytes;
}

QByteArray Icns(const std::map<int, QImage>& images) {
    // Chunk types by pixel size; the @2x types reuse the image of twice the size.
    const std::array<std::pair<const char*, int>, 9> chunks{{{"icp4", 16},
                                                             {"icp5", 32},
                                                             {"icp6", 64},
                                                             {"ic07", 128},
                                                             {"ic08", 256},
                                                             {"ic09", 512},
                                                             {"ic11", 32},
                                                             {"ic12", 64},
                                                             {"ic13", 256}}};
    QByteArray body;
    for (const auto& [type, size] : chunks) {
        const QByteArray png = Png(images.at(size));
        body.append(type, 4);
        Put32BE(body, std::uint32_t(8 + png.size()));
        body.append(png);
    }
    QByteArray out("icns");
    Put32BE(out, std::uint32_t(8 + body.size()));
    out.append(body);
    return out;
}

bool Write(const QString& path, const QByteArray& bytes) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        std::fprintf(stderr, "vusk-icongen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vusk-icongen <output folder> <work folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QDir work(QString::fromLocal8Bit(argv[2]));
    bool ok = true;

    std::map<int, QImage> images;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 192, 256, 512}) {
        images[size] = Render(size);
        const QString dir = QStringLiteral("icons/%1x%1").arg(size);
        if (!out.mkpath(dir)) {
            std::fprintf(stderr, "vusk-icongen: cannot create %s\n", qPrintable(out.filePath(dir)));
            return 1;
        }
        ok = Write(out.filePath(dir + QStringLiteral("/vusk-sandwich.png")), Png(images[size])) && ok;
    }

    // The palette images of the .ico: 16 colours (one of them transparent) and 256.
    if (!work.mkpath(QStringLiteral("."))) return 1;
    for (int size : {32, 16}) {
        const QImage& img = images[size];
        ok = Write(work.filePath(QStringLiteral("ico-%1-4.png").arg(size)), Png(PaletteImage(img, kPalette15))) && ok;
        ok = Write(work.filePath(QStringLiteral("ico-%1-8.png").arg(size)),
                   Png(PaletteImage(img, MedianCut(img, 255)))) && ok;
    }

    ok = Write(out.filePath(QStringLiteral("vusk-sandwich.icns")), Icns(images)) && ok;
    return ok ? 0 : 1;
}
