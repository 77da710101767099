#include "run/report_map.h"

#include <algorithm>
#include <cmath>

#include "common/text_format.h"

namespace {

// The drawing: at most this wide and this high (pixels), with a margin all round and room for the
// legend below.
constexpr double kMaxWidth = 640.0;
constexpr double kMaxHeight = 520.0;
constexpr double kMargin = 18.0;
constexpr double kLegendHeight = 46.0;
// Share of a typical sheet's size that the longest mean shift arrow is given.
constexpr double kArrowShareOfSheet = 0.4;

// The largest of 1, 2, 5 × 10^k that is not above `value` (value > 0).
double niceFloor(double value) {
  const double decade = std::pow(10.0, std::floor(std::log10(value)));
  for (double step : {5.0, 2.0, 1.0}) {
    if (step * decade <= value) return step * decade;
  }
  return decade;
}

std::wstring px(double value) { return formatText(L"%.1f", value + 0.0); }

// A length in metres as the legend states it: "500 m", "2 km", "0.05 m".
std::wstring metresText(double metres) {
  if (metres >= 1000.0) return formatText(L"%.0f km", metres / 1000.0);
  if (metres >= 1.0) return formatText(L"%.0f m", metres);
  int decimals = 1;
  while (decimals < 6 && std::fabs(metres * std::pow(10.0, decimals) -
                                   std::round(metres * std::pow(10.0, decimals))) > 1e-9) {
    ++decimals;
  }
  return formatText(L"%.*f m", decimals, metres);
}

// The columns a text takes in the drawing's small font: wide characters about twice as wide.
double textWidth(const std::wstring& text, double fontSize) {
  double width = 0.0;
  for (wchar_t c : text) width += (c >= 0x2E80 ? 1.0 : 0.6) * fontSize;
  return width;
}

struct Extent {
  double minEast = 0.0, maxEast = 0.0, minNorth = 0.0, maxNorth = 0.0;
  bool empty = true;
  void add(double east, double north) {
    if (empty) {
      minEast = maxEast = east;
      minNorth = maxNorth = north;
      empty = false;
      return;
    }
    minEast = std::min(minEast, east);
    maxEast = std::max(maxEast, east);
    minNorth = std::min(minNorth, north);
    maxNorth = std::max(maxNorth, north);
  }
};

struct SheetShape {
  const FileOutcome* file = nullptr;
  Extent extent;  // of its corners
  double centreEast = 0.0, centreNorth = 0.0;
  double size = 0.0;  // the shorter side of its extent, metres
  bool hasShift = false;
  double shiftEast = 0.0, shiftNorth = 0.0;  // mean shift, metres
};

}  // namespace

SheetLook sheetLookOf(const FileOutcome& file) {
  if (!file.started) return SheetLook::NotStarted;
  switch (file.result) {
    case FileResult::Corrected:
      return (file.pointsNotCorrected > 0 || file.cornersNotCorrected > 0)
                 ? SheetLook::PartlyCorrected
                 : SheetLook::Corrected;
    case FileResult::Refused: return SheetLook::Refused;
    case FileResult::Failed: return SheetLook::Failed;
    case FileResult::Cancelled: return SheetLook::Cancelled;
  }
  return SheetLook::Failed;
}

const wchar_t* sheetLookName(SheetLook look) {
  switch (look) {
    case SheetLook::Corrected: return L"補正済み";
    case SheetLook::PartlyCorrected: return L"一部補正できず";
    case SheetLook::Refused: return L"補正不可";
    case SheetLook::Failed: return L"失敗";
    case SheetLook::Cancelled: return L"中断";
    case SheetLook::NotStarted: return L"未処理";
  }
  return L"";
}

const wchar_t* sheetLookFill(SheetLook look) {
  switch (look) {
    case SheetLook::Corrected: return L"#d7efd8";
    case SheetLook::PartlyCorrected: return L"#fff0b3";
    case SheetLook::Refused: return L"#fbd3d3";
    case SheetLook::Failed: return L"#ffd9b3";
    case SheetLook::Cancelled: return L"#e3e3e3";
    case SheetLook::NotStarted: return L"#f2f2f2";
  }
  return L"#ffffff";
}

const wchar_t* sheetLookStroke(SheetLook look) {
  switch (look) {
    case SheetLook::Corrected: return L"#2e7d32";
    case SheetLook::PartlyCorrected: return L"#a06800";
    case SheetLook::Refused: return L"#c62828";
    case SheetLook::Failed: return L"#d84315";
    case SheetLook::Cancelled: return L"#616161";
    case SheetLook::NotStarted: return L"#9e9e9e";
  }
  return L"#000000";
}

std::wstring xmlText(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    switch (c) {
      case L'&': out += L"&amp;"; break;
      case L'<': out += L"&lt;"; break;
      case L'>': out += L"&gt;"; break;
      case L'"': out += L"&quot;"; break;
      case L'\'': out += L"&#39;"; break;
      default:
        // Control characters other than tab and the line ends are not allowed in XML.
        if (c < 0x20 && c != L'\t' && c != L'\n' && c != L'\r') {
          out += L'?';
        } else {
          out += c;
        }
    }
  }
  return out;
}

std::wstring fileNameOfPath(const std::wstring& path) {
  const std::size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

ZoneMap drawZoneMap(int zone, const std::vector<const FileOutcome*>& sheets) {
  ZoneMap map;
  std::vector<SheetShape> shapes;
  Extent extent;
  for (const FileOutcome* file : sheets) {
    if (!file->cornersRead) continue;
    SheetShape shape;
    shape.file = file;
    Extent& own = shape.extent;
    for (const CoordPoint& corner : file->corners) own.add(corner.east, corner.north);
    extent.add(own.minEast, own.minNorth);
    extent.add(own.maxEast, own.maxNorth);
    shape.centreEast = (own.minEast + own.maxEast) / 2.0;
    shape.centreNorth = (own.minNorth + own.maxNorth) / 2.0;
    shape.size = std::min(own.maxEast - own.minEast, own.maxNorth - own.minNorth);
    if (file->pointsCorrected > 0) {
      shape.hasShift = true;
      shape.shiftEast = file->shiftSumEast / static_cast<double>(file->pointsCorrected);
      shape.shiftNorth = file->shiftSumNorth / static_cast<double>(file->pointsCorrected);
    }
    shapes.push_back(shape);
  }
  if (shapes.empty()) return map;
  // Larger sheets first, so that a sub-sheet stays visible on top of the sheet that holds it.
  std::stable_sort(shapes.begin(), shapes.end(), [](const SheetShape& a, const SheetShape& b) {
    const double areaA = (a.extent.maxEast - a.extent.minEast) * (a.extent.maxNorth - a.extent.minNorth);
    const double areaB = (b.extent.maxEast - b.extent.minEast) * (b.extent.maxNorth - b.extent.minNorth);
    return areaA > areaB;
  });

  // The exaggeration of the arrows: the longest mean shift gets a share of a typical (median)
  // sheet's size, rounded down to 1, 2 or 5 times a power of ten.
  std::vector<double> sizes;
  double longest = 0.0;
  for (const SheetShape& shape : shapes) {
    if (shape.size > 0.0) sizes.push_back(shape.size);
    if (shape.hasShift) longest = std::max(longest, std::hypot(shape.shiftEast, shape.shiftNorth));
  }
  std::sort(sizes.begin(), sizes.end());
  const double typicalSize = sizes.empty() ? 1000.0 : sizes[sizes.size() / 2];
  double exaggeration = 1.0;
  if (longest > 0.0) exaggeration = std::max(1.0, niceFloor(kArrowShareOfSheet * typicalSize / longest));
  for (const SheetShape& shape : shapes) {
    if (!shape.hasShift) continue;
    extent.add(shape.centreEast + shape.shiftEast * exaggeration,
               shape.centreNorth + shape.shiftNorth * exaggeration);
  }

  // Metres to pixels, north up, with some room round the sheets.
  double spanEast = std::max(extent.maxEast - extent.minEast, 1.0);
  double spanNorth = std::max(extent.maxNorth - extent.minNorth, 1.0);
  const double padding = 0.06 * std::max(spanEast, spanNorth);
  extent.minEast -= padding;
  extent.maxEast += padding;
  extent.minNorth -= padding;
  extent.maxNorth += padding;
  spanEast += 2 * padding;
  spanNorth += 2 * padding;
  const double scale = std::min(kMaxWidth / spanEast, kMaxHeight / spanNorth);
  const double drawWidth = spanEast * scale;
  const double drawHeight = spanNorth * scale;
  const double width = std::max(drawWidth + 2 * kMargin, 360.0);
  const double height = drawHeight + 2 * kMargin + kLegendHeight;
  const double left = (width - drawWidth) / 2.0;
  auto toX = [&](double east) { return left + (east - extent.minEast) * scale; };
  auto toY = [&](double north) { return kMargin + (extent.maxNorth - north) * scale; };

  std::wstring svg = formatText(
      L"<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"map\" width=\"%s\" height=\"%s\" "
      L"viewBox=\"0 0 %s %s\" role=\"img\" aria-label=\"%d 系の図郭\">\n",
      px(width), px(height), px(width), px(height), zone);
  svg += formatText(L"<rect x=\"%s\" y=\"%s\" width=\"%s\" height=\"%s\" class=\"frame\"/>\n",
                    px(left), px(kMargin), px(drawWidth), px(drawHeight));

  // Outlines, then names, then arrows and crosses on top.
  for (const SheetShape& shape : shapes) {
    const SheetLook look = sheetLookOf(*shape.file);
    std::wstring points;
    for (const CoordPoint& corner : shape.file->corners) {
      if (!points.empty()) points += L' ';
      points += px(toX(corner.east)) + L',' + px(toY(corner.north));
    }
    svg += formatText(
        L"<polygon points=\"%s\" fill=\"%s\" fill-opacity=\"0.7\" stroke=\"%s\" "
        L"stroke-width=\"1.5\"%s><title>%s "
        L"(%s)</title></polygon>\n",
        points, sheetLookFill(look), sheetLookStroke(look),
        look == SheetLook::Cancelled || look == SheetLook::NotStarted
            ? L" stroke-dasharray=\"4 3\""
            : L"",
        xmlText(fileNameOfPath(shape.file->inputPath)), sheetLookName(look));
  }
  // Names in the north-west corner of their outline; the names of sheets drawn at one place go
  // one below the other, as far as the outline has room.
  std::vector<std::pair<double, double>> namesPlaced;  // x, baseline
  for (const SheetShape& shape : shapes) {
    const std::wstring name = fileNameOfPath(shape.file->inputPath);
    const double sheetWidth = (shape.extent.maxEast - shape.extent.minEast) * scale;
    const double bottom = toY(shape.extent.minNorth);
    const double x = toX(shape.extent.minEast) + 4.0;
    double y = toY(shape.extent.maxNorth) + 14.0;
    if (textWidth(name, 11.0) + 8.0 > sheetWidth) continue;
    for (bool moved = true; moved;) {
      moved = false;
      for (const auto& [placedX, placedY] : namesPlaced) {
        if (std::fabs(placedX - x) < 1.0 && std::fabs(placedY - y) < 12.0) {
          y = placedY + 13.0;
          moved = true;
        }
      }
    }
    if (y + 4.0 > bottom) continue;
    namesPlaced.emplace_back(x, y);
    svg += formatText(L"<text x=\"%s\" y=\"%s\" class=\"name\">%s</text>\n", px(x), px(y),
                      xmlText(name));
  }
  for (const SheetShape& shape : shapes) {
    if (!shape.hasShift) continue;
    const double x0 = toX(shape.centreEast);
    const double y0 = toY(shape.centreNorth);
    const double x1 = toX(shape.centreEast + shape.shiftEast * exaggeration);
    const double y1 = toY(shape.centreNorth + shape.shiftNorth * exaggeration);
    const double length = std::hypot(x1 - x0, y1 - y0);
    svg += formatText(L"<circle cx=\"%s\" cy=\"%s\" r=\"2\" class=\"shift\"/>\n", px(x0), px(y0));
    if (length < 3.0) continue;
    // The head: two strokes back from the tip at 25 degrees.
    const double head = std::min(9.0, 0.4 * length);
    const double angle = std::atan2(y1 - y0, x1 - x0);
    const double spread = 25.0 * 3.14159265358979323846 / 180.0;
    svg += formatText(
        L"<path d=\"M%s,%s L%s,%s M%s,%s L%s,%s L%s,%s\" class=\"shift\"/>\n", px(x0), px(y0),
        px(x1), px(y1), px(x1 - head * std::cos(angle - spread)),
        px(y1 - head * std::sin(angle - spread)), px(x1), px(y1),
        px(x1 - head * std::cos(angle + spread)), px(y1 - head * std::sin(angle + spread)));
  }
  bool clamped = false;
  for (const SheetShape& shape : shapes) {
    for (const CoordPoint& place : shape.file->uncorrectedPlaces) {
      double x = toX(place.east);
      double y = toY(place.north);
      const double cx = std::clamp(x, left, left + drawWidth);
      const double cy = std::clamp(y, kMargin, kMargin + drawHeight);
      if (cx != x || cy != y) clamped = true;
      x = cx;
      y = cy;
      svg += formatText(L"<path d=\"M%s,%s L%s,%s M%s,%s L%s,%s\" class=\"miss\"/>\n",
                        px(x - 4), px(y - 4), px(x + 4), px(y + 4), px(x - 4), px(y + 4),
                        px(x + 4), px(y - 4));
    }
  }

  // North, a scale bar of a round length, and an arrow of a round shift.
  svg += formatText(L"<text x=\"%s\" y=\"%s\" class=\"north\">北 ↑</text>\n",
                    px(left + drawWidth - 34.0), px(kMargin + 16.0));
  const double legendY = kMargin + drawHeight + 26.0;
  const double barMetres = niceFloor(spanEast / 5.0);
  const double barPixels = barMetres * scale;
  svg += formatText(
      L"<path d=\"M%s,%s L%s,%s M%s,%s L%s,%s M%s,%s L%s,%s\" class=\"bar\"/>\n"
      L"<text x=\"%s\" y=\"%s\" class=\"legend\">%s</text>\n",
      px(left), px(legendY), px(left + barPixels), px(legendY), px(left), px(legendY - 5),
      px(left), px(legendY + 5), px(left + barPixels), px(legendY - 5), px(left + barPixels),
      px(legendY + 5), px(left), px(legendY + 17), metresText(barMetres));
  std::wstring shiftScale;
  if (longest > 0.0) {
    const double sampleShift = niceFloor(longest);
    const double arrowPixels = sampleShift * exaggeration * scale;
    const double ax = left + std::max(barPixels, 60.0) + 40.0;
    svg += formatText(
        L"<path d=\"M%s,%s L%s,%s M%s,%s L%s,%s L%s,%s\" class=\"shift\"/>\n"
        L"<text x=\"%s\" y=\"%s\" class=\"legend\">移動量 %s（%s 倍に拡大）</text>\n",
        px(ax), px(legendY), px(ax + arrowPixels), px(legendY), px(ax + arrowPixels - 7),
        px(legendY - 3), px(ax + arrowPixels), px(legendY), px(ax + arrowPixels - 7),
        px(legendY + 3), px(ax), px(legendY + 17), metresText(sampleShift),
        formatText(L"%.0f", exaggeration));
    shiftScale = formatText(L"矢印は各図郭の平均移動量を %s 倍に拡大して表示しています。",
                            formatText(L"%.0f", exaggeration));
  }
  svg += L"</svg>\n";

  map.svg = svg;
  map.caption = formatText(L"表示範囲 X（北）%s ～ %s m、Y（東）%s ～ %s m。", px(extent.minNorth),
                           px(extent.maxNorth), px(extent.minEast), px(extent.maxEast)) +
                shiftScale;
  if (clamped) map.caption += L"× のうち範囲の外にある点は、範囲の縁に表示しています。";
  map.drawn = true;
  return map;
}
