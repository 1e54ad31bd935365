// The chart pager. The chart shows one page of PageSize consecutive readings at a time; the user pages
// through them while new readings keep the newest page in view, unless the user has paged away from it
// (Browsing). This is the only code that adds points to the chart, clears it, scrolls its horizontal axis,
// sets its vertical range and shows or hides its area series.
//
// Every series starts with a point of value 0 at position 0, left of every page, so that the k-th reading
// since the last clear sits at position k and page p spans positions (p-1)*PageSize+1 .. p*PageSize.
#pragma once

#include "chart/ChartSurface.h"

class ChartPager {
public:
    // The chart is not owned; pageSize must be at least 1.
    ChartPager(ChartSurface& chart, int pageSize);

    int AddValue(double value);  // returns the page in view
    int FirstPage();
    int PriorPage();
    int NextPage();
    int LastPage();
    void SetPageSize(int pageSize);  // sizes below 1 are ignored: a page must hold a point
    // The vertical range of a unit. The axis lands exactly on minimum..maximum, wherever the user dragged
    // it, unless both ends equal the last ones set.
    void SetValueRange(double minimum, double maximum);
    // One end of the vertical range; the other end stays unless the new one would pass it.
    void SetValueMax(double value);
    void SetValueMin(double value);
    int Clear();
    void SetFill(bool shown);

    int currentPage() const { return CurrentPage; }
    int pageSize() const { return PageSize; }
    int pageCount() const { return PageCount; }
    bool browsing() const { return Browsing; }
    double valueMax() const { return ValueMax; }
    double valueMin() const { return ValueMin; }
    bool fill() const { return Fill; }

private:
    void showPageOne();
    void scrollPages(int direction, qint64 times);
    void addToEverySeries(double value);
    void recountPages();

    ChartSurface& Chart;
    int CurrentPage = 1;
    int PageSize = 0;
    int PageCount = 1;
    bool Browsing = false;
    double ValueMax = 0;
    double ValueMin = 0;
    bool Fill = true;
};
