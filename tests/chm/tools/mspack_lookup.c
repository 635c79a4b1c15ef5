/* Reads a compiled help file with libmspack, a reader stricter than chmlib:
 * its look-up goes down the directory's index chunks, searches each chunk
 * through its quick-reference area and relies on the sort order. Every file
 * of the full listing is looked up again by its name with the ASCII letters'
 * case swapped, must be found at the same place, and must extract to the
 * same bytes.
 *
 *   mspack_lookup CHM SCRATCH_FOLDER
 *
 * Prints one line per problem and a summary; exit status 1 on any problem. */
#include <mspack.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int same_file_bytes(const char *a, const char *b) {
  FILE *fa = fopen(a, "rb"), *fb = fopen(b, "rb");
  int same = fa && fb;
  while (same) {
    int ca = fgetc(fa), cb = fgetc(fb);
    if (ca != cb) same = 0;
    if (ca == EOF || cb == EOF) break;
  }
  if (fa) fclose(fa);
  if (fb) fclose(fb);
  return same;
}

static int check(struct mschm_decompressor *d, struct mschmd_header *fast, struct mschmd_file *f, const char *scratch) {
  char swapped[1024], listed_path[1200], found_path[1200];
  struct mschmd_file found;
  size_t n = strlen(f->filename);
  if (n >= sizeof swapped) {
    printf("name too long: %s\n", f->filename);
    return 1;
  }
  for (size_t i = 0; i <= n; ++i) {
    char c = f->filename[i];
    swapped[i] = c >= 'a' && c <= 'z' ? (char)(c - 32) : c >= 'A' && c <= 'Z' ? (char)(c + 32) : c;
  }
  if (d->fast_find(d, fast, swapped, &found, sizeof found) != MSPACK_ERR_OK || !found.section) {
    printf("not found as %s\n", swapped);
    return 1;
  }
  if (found.section->id != f->section->id || found.offset != f->offset || found.length != f->length) {
    printf("%s found elsewhere: section %u offset %lld length %lld, listed %u %lld %lld\n", swapped, found.section->id,
           (long long)found.offset, (long long)found.length, f->section->id, (long long)f->offset,
           (long long)f->length);
    return 1;
  }
  if (f->length == 0) return 0;
  snprintf(listed_path, sizeof listed_path, "%s/listed", scratch);
  snprintf(found_path, sizeof found_path, "%s/found", scratch);
  if (d->extract(d, f, listed_path) != MSPACK_ERR_OK || d->extract(d, &found, found_path) != MSPACK_ERR_OK) {
    printf("%s cannot be extracted (error %d)\n", f->filename, d->last_error(d));
    return 1;
  }
  if (!same_file_bytes(listed_path, found_path)) {
    printf("%s extracts differently when found by look-up\n", f->filename);
    return 1;
  }
  return 0;
}

int main(int argc, char **argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: mspack_lookup CHM SCRATCH_FOLDER\n");
    return 2;
  }
  struct mschm_decompressor *d = mspack_create_chm_decompressor(NULL);
  struct mschmd_header *full = d ? d->open(d, argv[1]) : NULL;
  struct mschmd_header *fast = d ? d->fast_open(d, argv[1]) : NULL;
  if (!full || !fast) {
    printf("libmspack cannot open %s (error %d)\n", argv[1], d ? d->last_error(d) : -1);
    return 1;
  }
  int problems = 0, files = 0;
  for (int list = 0; list < 2; ++list)
    for (struct mschmd_file *f = list ? full->sysfiles : full->files; f; f = f->next) {
      ++files;
      problems += check(d, fast, f, argv[2]);
    }
  printf("%d files, %d problems\n", files, problems);
  d->close(d, fast);
  d->close(d, full);
  mspack_destroy_chm_decompressor(d);
  return problems ? 1 : 0;
}
