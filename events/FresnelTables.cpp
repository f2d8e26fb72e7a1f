#include "events/FresnelTables.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <thread>

namespace {

constexpr long double kPi = 3.14159265358979324L;

void FillTerms(std::vector<long double>& c, std::vector<long double>& s, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i) {
    const long double li = static_cast<long double>(i);
    const long double a = kPi * li * li / 100000000.0L / 2.0L;
    c[i] = std::cos(a) / 10000.0L;
    s[i] = std::sin(a) / 10000.0L;
  }
}

}  // namespace

FresnelTables BuildFresnelTables() {
  FresnelTables t;
  const size_t n = static_cast<size_t>(kFresnelTableLast) + 1;
  t.C.resize(n);
  t.S.resize(n);
  t.Edge.assign(2 * n + 1, 0.0);
  // The terms are independent; only the running sums need their order.
  const size_t workers = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 16);
  std::vector<std::thread> threads;
  for (size_t w = 0; w < workers; ++w)
    threads.emplace_back(FillTerms, std::ref(t.C), std::ref(t.S), n * w / workers, n * (w + 1) / workers);
  for (auto& th : threads) th.join();
  for (size_t i = 1; i < n; ++i) {
    t.C[i] += t.C[i - 1];
    t.S[i] += t.S[i - 1];
  }
  const size_t centre = static_cast<size_t>(kFresnelEdgeCentre);
  for (size_t i = 0; i < n; ++i) {
    const long double c = t.C[i], s = t.S[i];
    t.Edge[centre + i] = static_cast<double>(((c + 0.5L) * (c + 0.5L) + (s + 0.5L) * (s + 0.5L)) * 0.5L);
    if (i > 0)
      t.Edge[centre - i] = static_cast<double>(((-c + 0.5L) * (-c + 0.5L) + (-s + 0.5L) * (-s + 0.5L)) * 0.5L);
  }
  t.Edge.front() = 0.0;
  t.Edge.back() = 1.0;
  return t;
}

const FresnelTables& MakeFresnelTables() {
  static std::once_flag once;
  static FresnelTables tables;
  std::call_once(once, [] { tables = BuildFresnelTables(); });
  return tables;
}
