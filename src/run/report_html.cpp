// The HTML form of the run report: one self-contained Japanese page (its style inline, its maps
// inline SVG, nothing fetched from elsewhere) that is also well-formed XML.
#include <map>

#include "common/text_format.h"
#include "common/wide_text.h"
#include "run/report_map.h"
#include "run/run_report.h"

namespace {

const wchar_t* const kStyle =
    L"body { font-family: \"Meiryo\", \"Yu Gothic UI\", \"IPAPGothic\", \"Noto Sans CJK JP\", "
    L"sans-serif; font-size: 14px; color: #222; margin: 24px; }\n"
    L"h1 { font-size: 22px; margin: 0 0 12px; }\n"
    L"h2 { font-size: 17px; margin: 28px 0 8px; border-bottom: 2px solid #5b7fa6; }\n"
    L"h3 { font-size: 15px; margin: 18px 0 6px; }\n"
    L"table { border-collapse: collapse; }\n"
    L"th, td { border: 1px solid #b8c2cc; padding: 3px 8px; vertical-align: top; }\n"
    L"th { background: #eef2f6; font-weight: normal; text-align: left; }\n"
    L"td.n { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }\n"
    L"table.files td.reason { font-size: 12px; max-width: 28em; }\n"
    L"pre { margin: 0; font-size: 12px; white-space: pre-wrap; }\n"
    L".notice { padding: 6px 10px; border-left: 4px solid #a06800; background: #fff7dc; }\n"
    L".status { display: inline-block; padding: 0 6px; border: 1px solid; border-radius: 3px; "
    L"white-space: nowrap; }\n"
    L"svg.map { border: 1px solid #b8c2cc; background: #fff; }\n"
    L"svg .frame { fill: #f8fafc; stroke: #d0d7de; }\n"
    L"svg .name { font-size: 11px; fill: #333; }\n"
    L"svg .shift { fill: #1a4d8f; stroke: #1a4d8f; stroke-width: 2; "
    L"stroke-linecap: round; stroke-linejoin: round; }\n"
    L"svg path.shift { fill: none; }\n"
    L"svg .miss { stroke: #d50000; stroke-width: 2; fill: none; }\n"
    L"svg .bar { stroke: #333; stroke-width: 1.5; fill: none; }\n"
    L"svg .legend, svg .north { font-size: 12px; fill: #333; }\n"
    L"p.caption { font-size: 12px; color: #444; margin: 4px 0 0; }\n"
    L"ul.legend { list-style: none; padding: 0; margin: 4px 0; font-size: 12px; }\n"
    L"ul.legend li { display: inline-block; margin-right: 14px; }\n"
    L"ul.legend span.swatch { display: inline-block; width: 14px; height: 10px; "
    L"border: 1.5px solid; margin-right: 4px; vertical-align: -1px; }\n";

std::wstring cell(const std::wstring& text) { return L"<td>" + xmlText(text) + L"</td>"; }
std::wstring numberCell(const std::wstring& text) { return L"<td class=\"n\">" + text + L"</td>"; }
std::wstring countText(long long value) { return formatText(L"%d", value); }
std::wstring metres(double value, int decimals) { return formatText(L"%.*f", decimals, value + 0.0); }

std::wstring statusBadge(SheetLook look) {
  return formatText(L"<span class=\"status\" style=\"background: %s; border-color: %s\">%s</span>",
                    sheetLookFill(look), sheetLookStroke(look), sheetLookName(look));
}

std::wstring zoneText(int zone) { return zone > 0 ? formatText(L"%d 系", zone) : L"—"; }

std::wstring runTable(const RunDescription& run, const RunSummary& summary) {
  std::wstring out = L"<table class=\"run\">\n";
  auto row = [&out](const wchar_t* name, const std::wstring& valueHtml) {
    out += L"<tr><th>" + std::wstring(name) + L"</th><td>" + valueHtml + L"</td></tr>\n";
  };
  row(L"補正パラメーターファイル", xmlText(run.parameterFile));
  row(L"パラメーター識別番号", formatText(L"%d", run.parameterId));
  row(L"パラメーターファイルの表題", L"<pre>" + xmlText(run.headerText) + L"</pre>");
  row(L"入力フォルダー", xmlText(run.inputFolder));
  row(L"出力フォルダー", xmlText(run.outputFolder));
  row(L"系が決まらないファイルの系", summary.fallbackZone > 0 ? zoneText(summary.fallbackZone)
                                                              : std::wstring(L"なし"));
  return out + L"</table>\n";
}

std::wstring summaryTable(const RunSummary& summary) {
  int cancelled = 0;
  int notStarted = 0;
  for (const FileOutcome& file : summary.files) {
    if (!file.started) ++notStarted;
    else if (file.result == FileResult::Cancelled) ++cancelled;
  }
  std::wstring out = L"<table class=\"summary\">\n";
  out += L"<tr><th>DMファイル</th>" + numberCell(countText(static_cast<long long>(summary.files.size()))) +
         L"<th>座標点</th>" + numberCell(countText(summary.points())) + L"</tr>\n";
  out += L"<tr><th>補正したファイル</th>" + numberCell(countText(summary.corrected)) +
         L"<th>補正した座標点</th>" + numberCell(countText(summary.pointsCorrected())) + L"</tr>\n";
  out += L"<tr><th>補正しなかったファイル</th>" + numberCell(countText(summary.refused)) +
         L"<th>補正できなかった座標点</th>" + numberCell(countText(summary.pointsNotCorrected())) +
         L"</tr>\n";
  out += L"<tr><th>失敗したファイル</th>" + numberCell(countText(summary.failed)) +
         L"<th>補正できなかった図郭点</th>" + numberCell(countText(summary.cornersNotCorrected())) +
         L"</tr>\n";
  if (summary.cancelled) {
    out += L"<tr><th>中断したファイル</th>" + numberCell(countText(cancelled)) +
           L"<th>処理しなかったファイル</th>" + numberCell(countText(notStarted)) + L"</tr>\n";
  }
  return out + L"</table>\n";
}

std::wstring filesTable(const RunSummary& summary) {
  std::wstring out =
      L"<table class=\"files\">\n<thead><tr><th>ファイル</th><th>状態</th><th>理由</th>"
      L"<th>系</th><th>座標点</th><th>補正済み</th><th>未補正</th><th>未補正の図郭点</th>"
      L"<th>平均移動量 X（北）m</th><th>平均移動量 Y（東）m</th><th>最大移動量 m</th>"
      L"</tr></thead>\n<tbody>\n";
  for (const FileOutcome& file : summary.files) {
    out += L"<tr>" + cell(fileNameOfPath(file.inputPath));
    out += L"<td>" + statusBadge(sheetLookOf(file)) + L"</td>";
    out += L"<td class=\"reason\">" + xmlText(file.reason) + L"</td>";
    out += numberCell(zoneText(file.zone));
    if (file.started) {
      out += numberCell(countText(file.points)) + numberCell(countText(file.pointsCorrected)) +
             numberCell(countText(file.pointsNotCorrected)) +
             numberCell(countText(file.cornersNotCorrected));
    } else {
      out += numberCell(L"") + numberCell(L"") + numberCell(L"") + numberCell(L"");
    }
    if (file.pointsCorrected > 0) {
      const double count = static_cast<double>(file.pointsCorrected);
      out += numberCell(metres(file.shiftSumNorth / count, 3)) +
             numberCell(metres(file.shiftSumEast / count, 3)) +
             numberCell(metres(file.shiftMaxMetres, 3));
    } else {
      out += numberCell(L"") + numberCell(L"") + numberCell(L"");
    }
    out += L"</tr>\n";
  }
  return out + L"</tbody>\n</table>\n";
}

std::wstring lookLegend() {
  std::wstring out = L"<ul class=\"legend\">";
  for (SheetLook look : {SheetLook::Corrected, SheetLook::PartlyCorrected, SheetLook::Refused,
                         SheetLook::Failed, SheetLook::Cancelled}) {
    out += formatText(
        L"<li><span class=\"swatch\" style=\"background: %s; border-color: %s\"></span>%s</li>",
        sheetLookFill(look), sheetLookStroke(look), sheetLookName(look));
  }
  out += L"<li><span style=\"color: #d50000; font-weight: bold\">×</span> "
         L"補正できなかった座標点・図郭点</li>";
  out += L"<li><span style=\"color: #1a4d8f; font-weight: bold\">→</span> 平均移動量</li>";
  return out + L"</ul>\n";
}

std::wstring maps(const RunSummary& summary) {
  // The sheets by zone, in zone order; files without a zone or without corners have no place.
  std::map<int, std::vector<const FileOutcome*>> byZone;
  int unplaced = 0;
  for (const FileOutcome& file : summary.files) {
    if (file.zone > 0 && file.cornersRead) {
      byZone[file.zone].push_back(&file);
    } else {
      ++unplaced;
    }
  }
  std::wstring out = L"<h2>図郭の位置</h2>\n";
  out += L"<p>各系の平面直角座標（X は北、Y は東）での図郭の位置です。補正前の図郭の枠を、"
         L"ファイルの状態の色で示します。</p>\n";
  out += lookLegend();
  for (const auto& [zone, files] : byZone) {
    const ZoneMap map = drawZoneMap(zone, files);
    if (!map.drawn) continue;
    out += L"<h3>" + zoneText(zone) + L"</h3>\n" + map.svg;
    out += L"<p class=\"caption\">" + xmlText(map.caption) + L"</p>\n";
  }
  if (unplaced > 0) {
    out += formatText(L"<p class=\"caption\">系または図郭の座標が分からない %d ファイルは、"
                      L"地図に表示していません。</p>\n",
                      unplaced);
  }
  return out;
}

}  // namespace

std::string runReportHtml(const RunDescription& run, const RunSummary& summary) {
  std::wstring page =
      L"<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"ja\" xml:lang=\"ja\">\n"
      L"<head>\n<meta charset=\"utf-8\"/>\n<title>座標補正の結果</title>\n<style>\n";
  page += kStyle;
  page += L"</style>\n</head>\n<body>\n<h1>座標補正の結果</h1>\n";
  if (run.dryRun) {
    page += L"<p class=\"notice\">試しの実行（--dry-run）です。確認・読み込み・補正は実際の実行と"
            L"同じですが、出力フォルダーには何も書き込んでいません。</p>\n";
  }
  if (summary.cancelled) {
    page += L"<p class=\"notice\">実行は中断されました。中断したファイルと、その後のファイル"
            L"（未処理）は出力されていません。</p>\n";
  }
  page += runTable(run, summary);
  page += L"<h2>集計</h2>\n" + summaryTable(summary);
  page += L"<h2>ファイル</h2>\n";
  page += L"<p>移動量は、補正できた座標点について、書き込んだ位置と読み込んだ位置の差です"
          L"（どちらも、ファイルの図郭の原点からの値を座標単位で換算した位置）。</p>\n";
  page += filesTable(summary);
  page += maps(summary);
  page += L"</body>\n</html>\n";
  return wideToUtf8(page);
}
