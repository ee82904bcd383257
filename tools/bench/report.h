// The bench's figures, gathered as they are measured and written out as a
// Markdown table (for the terminal and the README) and as CSV with the same
// columns.
#pragma once
#include <string>
#include <vector>

// Kestrelcue's sampling period, against which reaction times are set.
constexpr double kSamplePeriodMs = 100.0;

class Report {
public:
    // A set of measurements: median, 95th percentile and maximum; with
    // `perPeriod` also each as a multiple of the sampling period.
    void AddSpread(const std::string& measure, const std::vector<double>& samples, const std::string& unit,
                   bool perPeriod, const std::string& note = "");
    void AddValue(const std::string& measure, double value, const std::string& unit, const std::string& note = "");
    // A figure that could not be taken, and why.
    void AddNotMeasured(const std::string& measure, const std::string& why);

    bool AnyNotMeasured() const;
    std::string Table(const std::string& heading) const;
    std::string Csv() const;

private:
    struct Row {
        std::string measure;
        size_t count = 0;  // 0: not measured
        bool single = false;
        double median = 0, p95 = 0, max = 0;
        std::string unit;
        bool perPeriod = false;
        std::string note;
    };
    std::vector<Row> rows_;
};
