// The zone dispatch and the four sheet traversals, observed through the triangle recorder.
#include <algorithm>
#include <climits>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "WarpFixture.h"

namespace {

using Call = CViewImage::TriangleCall;

std::vector<Call> Record(int nZone, int ex, int ey) {
    CViewImage source; // the recorder draws nothing, so the source needs no grid
    CViewImage target;
    std::vector<Call> calls;
    target.SetTriangleRecorder(&calls);
    target.TraverseZone(source, nZone, ex, ey, -1, -1);
    return calls;
}

bool SameCall(const Call& a, const Call& b) {
    return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2 && a.x3 == b.x3 &&
           a.y3 == b.y3;
}

::testing::AssertionResult IsCall(const Call& call, Call expected) {
    if (SameCall(call, expected))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got (" << call.x1 << "," << call.y1 << ") (" << call.x2 << "," << call.y2 << ") ("
           << call.x3 << "," << call.y3 << ")";
}

int Clamp199(int n) {
    return n < 0 ? 0 : (n > 199 ? 199 : n);
}

struct ZoneCase {
    int nZone, ex, ey;
};

// Every zone with epipoles in its region, at the edges of the region too.
const ZoneCase kZoneCases[] = {
    {1, -1, 199},  {1, -50, 4000}, {2, 0, 199},    {2, 100, 250},   {2, 198, 199},  {3, 199, 199},
    {4, -1, 0},    {4, -7, 120},   {4, -1, 198},   {5, 0, 0},       {5, 198, 198},  {5, 0, 198},
    {5, 198, 0},   {5, 57, 143},   {6, 199, 0},    {6, 300, 61},    {6, 199, 198},  {7, -1, -1},
    {8, 0, -1},    {8, 123, -9},   {8, 198, -1},   {9, 199, -1},    {-1, -1, 199},  {-2, 0, 300},
    {-2, 77, 199}, {-2, 198, 199}, {-3, 500, 500}, {-4, -1, 0},     {-4, -3, 88},   {-4, -1, 198},
    {-5, 0, 0},    {-5, 198, 198}, {-5, 120, 31},  {-6, 199, 0},    {-6, 250, 150}, {-7, -1, -1},
    {-8, 0, -1},   {-8, 44, -100}, {-8, 198, -1},  {-9, 300, -300},
};

TEST(TraverseZone, DrawsEveryCellOnceTowardsOrAwayFromTheEpipole) {
    for (const ZoneCase& c : kZoneCases) {
        SCOPED_TRACE(testing::Message() << "zone " << c.nZone << " ex " << c.ex << " ey " << c.ey);
        const std::vector<Call> calls = Record(c.nZone, c.ex, c.ey);
        ASSERT_EQ(calls.size(), 2u * 199 * 199);
        std::vector<int> seen(199 * 199, 0);
        const int exc = Clamp199(c.ex), eyc = Clamp199(c.ey);
        bool bAllGood = true;
        for (size_t i = 0; i < calls.size() && bAllGood; i += 2) {
            const Call& t1 = calls[i];
            const Call& t2 = calls[i + 1];
            const int xs[6] = {t1.x1, t1.x2, t1.x3, t2.x1, t2.x2, t2.x3};
            const int ys[6] = {t1.y1, t1.y2, t1.y3, t2.y1, t2.y2, t2.y3};
            const int nMinX = *std::min_element(xs, xs + 6), nMaxX = *std::max_element(xs, xs + 6);
            const int nMinY = *std::min_element(ys, ys + 6), nMaxY = *std::max_element(ys, ys + 6);
            // Both triangles lie in one cell on the grid.
            bAllGood = nMinX >= 0 && nMaxY <= 199 && nMinY >= 0 && nMaxX <= 199 &&
                       nMaxX - nMinX == 1 && nMaxY - nMinY == 1;
            if (!bAllGood)
                break;
            ++seen[nMinY * 199 + nMinX];
            // Triangle 1 starts at the entering pixel and holds its x and y neighbours; triangle
            // 2 holds those two neighbours (the shared diagonal) and the opposite pixel last.
            const int dx = (t1.x1 == nMinX) ? 1 : -1;
            const int dy = (t1.y1 == nMinY) ? 1 : -1;
            const int ox = t1.x1 + dx, oy = t1.y1 + dy;
            const bool bT1HasNeighbours =
                (t1.x2 == ox && t1.y2 == t1.y1 && t1.x3 == t1.x1 && t1.y3 == oy) ||
                (t1.x2 == t1.x1 && t1.y2 == oy && t1.x3 == ox && t1.y3 == t1.y1);
            const bool bT2Diagonal =
                t2.x3 == ox && t2.y3 == oy &&
                ((t2.x1 == t1.x2 && t2.y1 == t1.y2 && t2.x2 == t1.x3 && t2.y2 == t1.y3) ||
                 (t2.x1 == t1.x3 && t2.y1 == t1.y3 && t2.x2 == t1.x2 && t2.y2 == t1.y2));
            // Runs go towards the epipole's column and row for W >= 0, away for W < 0.
            const bool bTowardsX = dx > 0 ? nMaxX <= exc : nMinX >= exc;
            const bool bAwayX = dx > 0 ? nMinX >= exc : nMaxX <= exc;
            const bool bTowardsY = dy > 0 ? nMaxY <= eyc : nMinY >= eyc;
            const bool bAwayY = dy > 0 ? nMinY >= eyc : nMaxY <= eyc;
            const bool bDirection = c.nZone > 0 ? (bTowardsX && bTowardsY) : (bAwayX && bAwayY);
            bAllGood = bT1HasNeighbours && bT2Diagonal && bDirection;
        }
        EXPECT_TRUE(bAllGood);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), 199 * 199);
    }
}

TEST(TraverseZone, FirstAndLastCallsHaveTheTableOrder) {
    struct Case {
        int nZone, ex, ey;
        Call first, second, last;
    } cases[] = {
        {3, 300, 300, {0, 0, 1, 0, 0, 1}, {0, 1, 1, 0, 1, 1}, {198, 199, 199, 198, 199, 199}},
        {-3,
         300,
         300,
         {199, 199, 198, 199, 199, 198},
         {198, 199, 199, 198, 198, 198},
         {0, 1, 1, 0, 0, 0}},
        {9, 300, -5, {0, 199, 0, 198, 1, 199}, {0, 198, 1, 199, 1, 198}, {198, 0, 199, 1, 199, 0}},
        // Zone 5 at (0, 0): three empty sheets, then XDecYDec over the whole grid.
        {5,
         0,
         0,
         {199, 199, 198, 199, 199, 198},
         {198, 199, 199, 198, 198, 198},
         {0, 1, 1, 0, 0, 0}},
        // Zone 2 at ex = 0: the first sheet is empty, XDecYInc draws everything.
        {2, 0, 300, {199, 0, 198, 0, 199, 1}, {198, 0, 199, 1, 198, 1}, {0, 198, 1, 199, 0, 199}},
        {1, -4, 300, {199, 0, 198, 0, 199, 1}, {198, 0, 199, 1, 198, 1}, {0, 198, 1, 199, 0, 199}},
        {7,
         -4,
         -4,
         {199, 199, 198, 199, 199, 198},
         {198, 199, 199, 198, 198, 198},
         {0, 1, 1, 0, 0, 0}},
        {-1, -4, 300, {0, 199, 0, 198, 1, 199}, {0, 198, 1, 199, 1, 198}, {198, 0, 199, 1, 199, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "zone " << c.nZone);
        const std::vector<Call> calls = Record(c.nZone, c.ex, c.ey);
        ASSERT_EQ(calls.size(), 2u * 199 * 199);
        EXPECT_TRUE(IsCall(calls.front(), c.first));
        EXPECT_TRUE(IsCall(calls[1], c.second));
        EXPECT_TRUE(IsCall(calls.back(), c.last));
    }
}

TEST(TraverseZone, SingleSheetZonesWalkColumnByColumn) {
    // Zone -3: columns from x = 199 down to 1, each from y = 199 down to 1.
    const std::vector<Call> calls = Record(-3, 500, 500);
    ASSERT_EQ(calls.size(), 2u * 199 * 199);
    size_t i = 0;
    bool bInOrder = true;
    for (int x = 199; x >= 1 && bInOrder; --x)
        for (int y = 199; y >= 1 && bInOrder; --y, i += 2)
            bInOrder = calls[i].x1 == x && calls[i].y1 == y;
    EXPECT_TRUE(bInOrder);
}

TEST(TraverseZone, WrongZoneIdDrawsNothing) {
    for (int nZone : {0, 10, -10, 1000}) {
        CRecordingSinks sinks;
        EXPECT_TRUE(Record(nZone, 50, 50).empty());
        EXPECT_EQ(sinks.messages, std::vector<std::string>{"Wrong Zone id"});
    }
    // Through the setup the new image keeps its cleared grid.
    CRecordingSinks sinks;
    auto pSource = MakeSourceImage();
    CViewImage target;
    const double cop[3] = {1.0, 2.0, 3.0};
    target.SetCamera(cop, pSource->GetP());
    target.SetupWarp(*pSource, 0, 0, 0);
    EXPECT_EQ(sinks.messages, std::vector<std::string>{"Wrong Zone id"});
    EXPECT_GT(target.GetWidth(), 200);
    EXPECT_EQ(CountColoured(target), 0);
}

TEST(TraverseZone, ForeignEpipoleStaysOnTheGrid) {
    // A zone id paired with an ex, ey outside its region still draws each cell once.
    for (const ZoneCase& c :
         {ZoneCase{2, 500, 0}, ZoneCase{5, -40, 900}, ZoneCase{-8, INT_MIN, 3}}) {
        const std::vector<Call> calls = Record(c.nZone, c.ex, c.ey);
        EXPECT_EQ(calls.size(), 2u * 199 * 199);
        bool bOnGrid = true;
        for (const Call& call : calls)
            bOnGrid = bOnGrid &&
                      std::min({call.x1, call.x2, call.x3, call.y1, call.y2, call.y3}) >= 0 &&
                      std::max({call.x1, call.x2, call.x3, call.y1, call.y2, call.y3}) <= 199;
        EXPECT_TRUE(bOnGrid);
    }
}

} // namespace
