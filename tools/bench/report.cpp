#include "bench/report.h"

#include <cstdio>

#include "bench/spread.h"

namespace {

// Room for one formatted number.
constexpr int kNumberChars = 32;

std::string Number(double value, int decimals)
{
    char text[kNumberChars];
    std::snprintf(text, kNumberChars, "%.*f", decimals, value);
    return text;
}

// Milliseconds and percentages carry fractions worth reading; counts and sizes do not.
int DecimalsFor(const std::string& unit)
{
    if (unit == "ms")
        return 1;
    if (unit == "% of a core")
        return 2;
    if (unit == "MiB")
        return 1;
    return 0;
}

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

} // namespace

void Report::AddSpread(const std::string& measure, const std::vector<double>& samples, const std::string& unit,
                       bool perPeriod, const std::string& note)
{
    if (samples.empty()) {
        AddNotMeasured(measure, note.empty() ? "no measurement succeeded" : note);
        return;
    }
    const Spread spread = SpreadOf(samples);
    Row row;
    row.measure = measure;
    row.count = spread.count;
    row.median = spread.median;
    row.p95 = spread.p95;
    row.max = spread.max;
    row.unit = unit;
    row.perPeriod = perPeriod;
    row.note = note;
    rows_.push_back(row);
}

void Report::AddValue(const std::string& measure, double value, const std::string& unit, const std::string& note)
{
    Row row;
    row.measure = measure;
    row.count = 1;
    row.single = true;
    row.median = value;
    row.unit = unit;
    row.note = note;
    rows_.push_back(row);
}

void Report::AddNotMeasured(const std::string& measure, const std::string& why)
{
    Row row;
    row.measure = measure;
    row.note = "NOT MEASURED: " + why;
    rows_.push_back(row);
}

bool Report::AnyNotMeasured() const
{
    for (const Row& row : rows_)
        if (row.count == 0)
            return true;
    return false;
}

std::string Report::Table(const std::string& heading) const
{
    std::string table = heading + "\n\n";
    table += "| Measure | n | median | p95 | max | unit | median/period | p95/period | max/period | note |\n";
    table += "|---|---:|---:|---:|---:|---|---:|---:|---:|---|\n";
    for (const Row& row : rows_) {
        const int decimals = DecimalsFor(row.unit);
        std::string line = "| " + row.measure + " | ";
        if (row.count == 0) {
            line += "- | - | - | - | | | | | " + row.note + " |";
        } else if (row.single) {
            line += "1 | " + Number(row.median, decimals) + " | | | " + row.unit + " | | | | " + row.note + " |";
        } else {
            line += std::to_string(row.count) + " | " + Number(row.median, decimals) + " | " +
                    Number(row.p95, decimals) + " | " + Number(row.max, decimals) + " | " + row.unit + " | ";
            if (row.perPeriod)
                line += Number(row.median / kSamplePeriodMs, 2) + " | " + Number(row.p95 / kSamplePeriodMs, 2) +
                        " | " + Number(row.max / kSamplePeriodMs, 2) + " | ";
            else
                line += "| | | ";
            line += row.note + " |";
        }
        table += line + "\n";
    }
    return table;
}

std::string Report::Csv() const
{
    std::string csv = "measure,n,median,p95,max,unit,median_per_period,p95_per_period,max_per_period,note\n";
    for (const Row& row : rows_) {
        const int decimals = DecimalsFor(row.unit) + 1;  // one digit more than the table, for whoever computes on it
        csv += CsvField(row.measure) + ",";
        if (row.count == 0) {
            csv += ",,,,,,,," + CsvField(row.note) + "\n";
            continue;
        }
        csv += std::to_string(row.count) + "," + Number(row.median, decimals) + ",";
        csv += row.single ? "," : Number(row.p95, decimals) + ",";
        csv += row.single ? "," : Number(row.max, decimals) + ",";
        csv += CsvField(row.unit) + ",";
        if (row.perPeriod && !row.single)
            csv += Number(row.median / kSamplePeriodMs, 3) + "," + Number(row.p95 / kSamplePeriodMs, 3) + "," +
                   Number(row.max / kSamplePeriodMs, 3) + ",";
        else
            csv += ",,,";
        csv += CsvField(row.note) + "\n";
    }
    return csv;
}
