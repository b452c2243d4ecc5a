/* scanix_bench: the benchmark programs of Scanix, written in plain C against scanix.h.
 *
 *   scanix_bench generate FILE MB   writes a CSV file of MB x 10^6 bytes (at least)
 *   scanix_bench scan FILE          Scan handler reading F(2) through scanix_invoke; prints
 *                                   "seconds bytes lines sum"
 *   scanix_bench floor FILE         the same job as scan in a plain C loop (getline, memchr):
 *                                   the floor a scan can approach; prints "seconds bytes lines sum"
 *   scanix_bench eval [SECONDS]     Eval evaluations per second, short and long expressions
 */
#define _POSIX_C_SOURCE 200809L
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>

#include "scanix.h"

static double now(void) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

static char16_t *u16(const char *s) { /* ASCII/UTF-8-less helper: ASCII only */
  size_t n = strlen(s);
  char16_t *r = malloc((n + 1) * sizeof *r);
  for (size_t i = 0; i <= n; ++i) r[i] = (unsigned char)s[i];
  return r;
}

static int put_text(scanix *o, int32_t id, const char *s) {
  scanix_variant v;
  v.vt = SCANIX_VT_TEXT;
  v.u.bstr = u16(s);
  int rc = scanix_invoke(o, id, SCANIX_DISPATCH_PROPERTYPUT, &v, 1, NULL);
  free(v.u.bstr);
  return rc;
}

/* ---- generate ---- */
static uint64_t rng = 88172645463325252ull;
static uint64_t next(void) {
  rng ^= rng << 13;
  rng ^= rng >> 7;
  rng ^= rng << 17;
  return rng;
}

static int generate(const char *path, double mb) {
  FILE *f = fopen(path, "wb");
  if (!f) { perror(path); return 1; }
  static const char *const words[] = {"SCOTT", "EMP", "DEPT", "SYSTEM", "USERS", "TEMP", "ROLLBACK",
                                      "INDEX_TS", "v$session", "dba_free_space", "SALGRADE", "BONUS"};
  const uint64_t target = (uint64_t)(mb * 1e6);
  uint64_t written = 0, line = 0;
  char buf[256];
  while (written < target) {
    char name[64];
    int len = 3 + (int)(next() % 22), k = 0;
    while (k < len) name[k++] = (char)('a' + next() % 26);
    name[k] = 0;
    int n = snprintf(buf, sizeof buf, "%llu,%s_%s,%u.%02u,%s,2024-%02u-%02u %02u:%02u:%02u,%u\n",
                     (unsigned long long)++line, words[next() % 12], name,
                     (unsigned)(next() % 100000), (unsigned)(next() % 100), words[next() % 12],
                     (unsigned)(1 + next() % 12), (unsigned)(1 + next() % 28), (unsigned)(next() % 24),
                     (unsigned)(next() % 60), (unsigned)(next() % 60), (unsigned)(next() % 1000000));
    fwrite(buf, 1, (size_t)n, f);
    written += (uint64_t)n;
  }
  fclose(f);
  fprintf(stderr, "generated %s: %llu bytes, %llu lines\n", path, (unsigned long long)written,
          (unsigned long long)line);
  return 0;
}

/* ---- scan ---- */
struct scan_ctx {
  scanix *o;
  uint64_t sum;
  uint64_t lines;
};

static void on_scan(void *context) {
  struct scan_ctx *c = context;
  scanix_variant idx, res;
  idx.vt = SCANIX_VT_I2;
  idx.u.i2 = 2;
  if (scanix_invoke(c->o, SCANIX_DISPID_F, SCANIX_DISPATCH_PROPERTYGET, &idx, 1, &res) == 0) {
    c->sum += scanix_text_length(res.u.bstr);
    scanix_variant_clear(&res);
  }
  c->lines++;
}

static int scan(const char *path) {
  struct stat st;
  if (stat(path, &st) != 0) { perror(path); return 1; }
  scanix *o = NULL;
  if (scanix_create("ScanixLibCtl.Scanix", &o) != 0) return 1;
  struct scan_ctx ctx = {o, 0, 0};
  scanix_events ev = {&ctx, NULL, on_scan, NULL, NULL, NULL};
  uint32_t cookie;
  scanix_advise(o, &ev, &cookie);
  put_text(o, SCANIX_DISPID_FS, ",");
  put_text(o, SCANIX_DISPID_FILENAME, path);
  scanix_variant act;
  act.vt = SCANIX_VT_I4;
  act.u.i4 = SCANIX_acScan;
  double t0 = now();
  scanix_invoke(o, SCANIX_DISPID_ACTION, SCANIX_DISPATCH_PROPERTYPUT, &act, 1, NULL);
  double t = now() - t0;
  scanix_release(o);
  printf("%.4f %lld %llu %llu\n", t, (long long)st.st_size, (unsigned long long)ctx.lines,
         (unsigned long long)ctx.sum);
  return 0;
}

/* ---- floor: getline + memchr ---- */
static int scan_floor(const char *path) {
  struct stat st;
  if (stat(path, &st) != 0) { perror(path); return 1; }
  FILE *f = fopen(path, "rb");
  if (!f) { perror(path); return 1; }
  char *line = NULL;
  size_t cap = 0;
  ssize_t n;
  uint64_t sum = 0, lines = 0;
  double t0 = now();
  while ((n = getline(&line, &cap, f)) >= 0) {
    size_t len = (size_t)n;
    if (len && line[len - 1] == '\n') --len;
    if (len && line[len - 1] == '\r') --len;
    const char *c1 = memchr(line, ',', len);
    if (c1) {
      const char *start = c1 + 1;
      const char *c2 = memchr(start, ',', len - (size_t)(start - line));
      sum += (uint64_t)((c2 ? c2 : line + len) - start);
    }
    lines++;
  }
  double t = now() - t0;
  free(line);
  fclose(f);
  printf("%.4f %lld %llu %llu\n", t, (long long)st.st_size, (unsigned long long)lines,
         (unsigned long long)sum);
  return 0;
}

/* ---- eval ---- */
static void on_variable(void *context, const char16_t *name, double *value, int16_t *accept) {
  (void)context;
  if (name[0] == 'x') { *value = 4; *accept = -1; }
  else if (name[0] == 'y') { *value = 2.5; *accept = -1; }
}

static double evals_per_second(scanix *o, const char *expr, double seconds, double *result) {
  scanix_variant arg, res;
  arg.vt = SCANIX_VT_TEXT;
  arg.u.bstr = u16(expr);
  uint64_t n = 0;
  double t0 = now(), t;
  do {
    for (int i = 0; i < 1000; ++i) {
      scanix_invoke(o, SCANIX_DISPID_EVAL, SCANIX_DISPATCH_PROPERTYGET, &arg, 1, &res);
    }
    n += 1000;
    t = now() - t0;
  } while (t < seconds);
  *result = res.u.r8;
  free(arg.u.bstr);
  return (double)n / t;
}

static int eval(double seconds) {
  scanix *o = NULL;
  if (scanix_create("ScanixLibCtl.Scanix", &o) != 0) return 1;
  scanix_events ev = {NULL, NULL, NULL, NULL, NULL, on_variable};
  uint32_t cookie;
  scanix_advise(o, &ev, &cookie);
  const char *shortExpr = "1+2*3";
  const char *longExpr =
      "(Sin(0.5)^2 + Cos(0.5)^2) * Sqr(16) / (1 + 2^3) - Log10(1000) + Abs(-5.5) % 3 "
      "+ 12.5e2 \\ 7 + Int(-2.7) * Frac(3.25) + Exp(1) - Log(2.718281828) + Atn(1) * 4 "
      "+ (x * y - x / y) * (3 >= 2) - (1 <> 2 & 2 <= 3 | 0) + Ceil(1.2) + Floor(-1.2)";
  double r1, r2;
  double s = evals_per_second(o, shortExpr, seconds, &r1);
  double l = evals_per_second(o, longExpr, seconds, &r2);
  printf("short %zu %.0f %g\nlong %zu %.0f %g\n", strlen(shortExpr), s, r1, strlen(longExpr), l, r2);
  scanix_release(o);
  return 0;
}

int main(int argc, char **argv) {
  if (argc >= 4 && strcmp(argv[1], "generate") == 0) return generate(argv[2], atof(argv[3]));
  if (argc >= 3 && strcmp(argv[1], "scan") == 0) return scan(argv[2]);
  if (argc >= 3 && strcmp(argv[1], "floor") == 0) return scan_floor(argv[2]);
  if (argc >= 2 && strcmp(argv[1], "eval") == 0) return eval(argc >= 3 ? atof(argv[2]) : 1.0);
  fprintf(stderr, "usage: %s generate FILE MB | scan FILE | floor FILE | eval [SECONDS]\n", argv[0]);
  return 2;
}
