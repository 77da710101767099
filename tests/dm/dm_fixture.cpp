#include "dm_fixture.h"

#include "common/text_format.h"
#include "platform/platform.h"

namespace dmtest {

Line& Line::text(int column, const std::string& value) {
  for (std::size_t i = 0; i < value.size() && column + i < fields_.size(); ++i) {
    fields_[column + i] = value[i];
  }
  return *this;
}

Line& Line::number(int column, int width, long long value) {
  return text(column, formatText("%*d", width, value));
}

Line headerRecord(const std::string& sheetNumber, int modificationCount) {
  return Line().text(0, "M").text(2, sheetNumber).number(65, 2, modificationCount);
}

Line frameRecord(int corner0X, int corner0Y, int corner2X, int corner2Y, int unit) {
  return Line()
      .number(0, 7, corner0X)
      .number(7, 7, corner0Y)
      .number(14, 7, corner2X)
      .number(21, 7, corner2Y)
      .number(44, 3, unit);
}

Line frameRecord(int corner0X, int corner0Y, int corner2X, int corner2Y, int unit, int corner1X,
                 int corner1Y, int corner3X, int corner3Y) {
  return frameRecord(corner0X, corner0Y, corner2X, corner2Y, unit)
      .number(47, 7, corner1X)
      .number(54, 7, corner1Y)
      .number(61, 7, corner3X)
      .number(68, 7, corner3Y);
}

Line historyRecord(int year, int month, int continuationCount, int datum,
                   const std::vector<std::string>& entries) {
  Line line;
  line.text(0, formatText("%02d%02d", year, month)).number(9, 1, continuationCount);
  if (datum >= 0) line.number(70, 1, datum);
  line.number(73, 1, static_cast<int>(entries.size()));
  for (std::size_t k = 0; k < entries.size(); ++k) line.text(74 + 2 * static_cast<int>(k), entries[k]);
  return line;
}

Line organisationRecord(const std::string& name, const std::vector<int>& fractions) {
  Line line;
  line.text(0, name);
  for (std::size_t i = 0; i < fractions.size() && i < 8; ++i) {
    line.number(40 + 4 * static_cast<int>(i), 4, fractions[i]);
  }
  return line;
}

Line elementRecord(int kind, int pointCount, int recordCount, int ownX, int ownY) {
  return Line()
      .text(0, "E")
      .number(20, 1, kind)
      .number(27, 4, pointCount)
      .number(31, 4, recordCount)
      .number(35, 7, ownX)
      .number(42, 7, ownY);
}

Line kind2Record(const std::vector<std::pair<int, int>>& points) {
  Line line;
  for (std::size_t k = 0; k < points.size() && k < 6; ++k) {
    line.number(14 * static_cast<int>(k), 7, points[k].first)
        .number(14 * static_cast<int>(k) + 7, 7, points[k].second);
  }
  return line;
}

Line kind3Record(const std::vector<std::pair<int, int>>& points, int third) {
  Line line;
  for (std::size_t k = 0; k < points.size() && k < 4; ++k) {
    const int column = 21 * static_cast<int>(k);
    line.number(column, 7, points[k].first)
        .number(column + 7, 7, points[k].second)
        .number(column + 14, 7, third);
  }
  return line;
}

DmFile& DmFile::add(const Line& line) {
  bytes_ += line.fields();
  bytes_ += lineEnd_;
  return *this;
}

DmFile& DmFile::raw(const std::string& bytes) {
  bytes_ += bytes;
  return *this;
}

std::string DmFile::record(int index) const {
  const std::size_t start = static_cast<std::size_t>(index) * recordLength();
  return start < bytes_.size() ? bytes_.substr(start, recordLength()) : std::string();
}

DmFile standardHead(int corner0X, int corner0Y, int corner2X, int corner2Y, int unit) {
  DmFile file;
  file.add(headerRecord("09LD35", 0))
      .add(frameRecord(corner0X, corner0Y, corner2X, corner2Y, unit))
      .add(Line().text(0, "record three"))
      .add(historyRecord(98, 4, 0, 3, {"01", "02"}))
      .add(organisationRecord("", {}));
  return file;
}

std::string parameterFileText(int parameterId, double latitudeShift, double longitudeShift) {
  std::string text = formatText("Test grid for the DM tests Tarnwick Ver %d\r\n", parameterId);
  for (int line = 2; line <= 15; ++line) text += formatText("header line %d\r\n", line);
  text += "MeshCode   dB(sec)   dL(sec)\r\n";
  // Rows of 30" from latitude 35.833 (row 4300) to 36.167; columns of 45" from longitude
  // 139.625 (column 3170) to 140.125.
  for (int row = 4300; row <= 4340; ++row) {
    for (int column = 3170; column <= 3210; ++column) {
      const int meshCode = (row / 80) * 1000000 + (column / 80) * 10000 +
                           (row % 80 / 10) * 1000 + (column % 80 / 10) * 100 + (row % 10) * 10 +
                           column % 10;
      text += formatText("%8d%10.5f%10.5f%10.5f\r\n", meshCode, latitudeShift, longitudeShift, 0.0);
    }
  }
  return text;
}

bool loadTestParameters(CorrectionModel& model, const testsupport::ScratchFolder& folder,
                        int parameterId, double latitudeShift, double longitudeShift) {
  const std::wstring path = folder.wide(L"grid.par");
  testsupport::writeBytes(folder.path() / "grid.par",
                          parameterFileText(parameterId, latitudeShift, longitudeShift));
  std::wstring header;
  return model.readParameterFile(path, header) > 1000;
}

bool TestWriter::write(const char* data, std::size_t count) {
  if (failAfterBytes >= 0 && static_cast<long long>(bytes.size() + count) > failAfterBytes) {
    return false;
  }
  bytes.append(data, count);
  return next_ ? next_->write(data, count) : true;
}

bool TestWriter::close() {
  const bool closed = next_ ? next_->close() : true;
  return closed && !failClose;
}

std::wstring cappedPointErrorLog() {
  const std::wstring line =
      L"座標(   -1500.000,    88000.000) (9 系)補正パラメータが見つかりませんでした\r\n";
  std::wstring log;
  for (int i = 0; i < 100; ++i) log += line;
  log += L"同一のエラーが100件を超えました、以降のエラーはリストされません\r\n";
  return log;
}

}  // namespace dmtest
