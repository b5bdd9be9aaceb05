/* Usage: read_paradox table.db [memo.mb]: what pxlib, Debian's Paradox
 * library, reads of a table:
 *
 *   table NAME version V type T codepage CP sortorder 0xSO blocksize BYTES
 *         headersize BYTES records N blocks N
 *   fields NAME TYPE-LETTER SIZE, NAME TYPE-LETTER SIZE, ...
 *   row<tab>VALUE<tab>VALUE...               (one line per record)
 *
 * Text is decoded from the header's code page (437 when it names none, as
 * in Paradox 3) to UTF-8, a backslash, tab, carriage return and line feed
 * in it written \\ \t \r \n; a blank (null) value is written \N. */
#include <errno.h>
#include <iconv.h>
#include <paradox.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int failures = 0;
static iconv_t to_utf8;

/* pxlib's own file access, exported but not declared in its header. */
size_t px_fread(pxdoc_t *p, pxstream_t *stream, size_t numbytes, void *buffer);
int px_fseek(pxdoc_t *p, pxstream_t *stream, long offset, int whence);
long px_ftell(pxdoc_t *p, pxstream_t *stream);
size_t px_fwrite(pxdoc_t *p, pxstream_t *stream, size_t numbytes, void *buffer);
mbhead_t *get_mb_head(pxblob_t *pxblob, pxstream_t *pxs);

static void OnError(pxdoc_t *p, int level, const char *message, void *data) {
  (void)p;
  (void)data;
  fprintf(stderr, "pxlib error %d: %s\n", level, message);
  failures++;
}

/* Prints `length` bytes of code page text as UTF-8, escaped. */
static void PrintText(const char *bytes, size_t length) {
  size_t out_size = length * 4 + 1, in_left = length, out_left = out_size;
  char *out = malloc(out_size), *in_at = (char *)bytes, *out_at = out;
  iconv(to_utf8, NULL, NULL, NULL, NULL);
  if (iconv(to_utf8, &in_at, &in_left, &out_at, &out_left) == (size_t)-1) {
    fprintf(stderr, "undecodable text (errno %d)\n", errno);
    failures++;
  }
  static const char special[] = "\\\t\r\n", written[] = "\\trn";
  for (const char *c = out; c < out_at; ++c) {
    const char *escaped = *c != '\0' ? strchr(special, *c) : NULL;
    escaped != NULL ? printf("\\%c", written[escaped - special]) : putchar(*c);
  }
  free(out);
}

/* The shortest form that reads back as the same double. */
static void PrintDouble(double value) {
  char text[40];
  for (int digits = 15; digits <= 17; ++digits) {
    snprintf(text, sizeof text, "%.*g", digits, value);
    if (strtod(text, NULL) == value) break;
  }
  fputs(text, stdout);
}

/* pxlib reads 4-byte fields into a long and tests the whole long for
 * zero, which on 64-bit machines takes in bytes past the field; the blank
 * test is therefore made here, on the field's own bytes. */
static int IsBlank(const char *data, int length) {
  return data[0] == 0 && memcmp(data, data + 1, (size_t)length - 1) == 0;
}

/* Prints one value; returns 0 when pxlib could not decode it. Dates and
 * times are pxlib's own text of them. */
static int PrintValue(pxdoc_t *doc, pxfield_t *field, char *data) {
  long whole;
  short small;
  double number;
  char byte, *text = NULL;
  int mod, size, type = field->px_ftype;
  switch (type) {
    case pxfAlpha:
      if (PX_get_data_alpha(doc, data, field->px_flen, &text) <= 0 || !text) return 0;
      PrintText(text, strlen(text));
      break;
    case pxfMemoBLOb:
    case pxfFmtMemoBLOb:
    case pxfBLOb:
      if (PX_get_data_blob(doc, data, field->px_flen, &mod, &size, &text) <= 0 || !text)
        return 0;
      PrintText(text, (size_t)size);
      break;
    case pxfBCD:
      if (PX_get_data_bcd(doc, (unsigned char *)data, field->px_fdc, &text) <= 0 || !text)
        return 0;
      fputs(text, stdout);
      break;
    case pxfDate:
    case pxfTime:
    case pxfLong:
    case pxfAutoInc:
      if (PX_get_data_long(doc, data, 4, &whole) <= 0) return 0;
      if (type != pxfDate && type != pxfTime) return printf("%ld", whole) > 0;
      text = type == pxfDate ? PX_date2string(doc, whole, "Y-m-d")
                             : PX_time2string(doc, whole, "H:i:s");
      fputs(text, stdout);
      break;
    case pxfShort:
      if (PX_get_data_short(doc, data, 2, &small) <= 0) return 0;
      return printf("%d", small) > 0;
    case pxfCurrency:
    case pxfNumber:
    case pxfTimestamp:
      if (PX_get_data_double(doc, data, 8, &number) <= 0) return 0;
      if (type != pxfTimestamp) return PrintDouble(number), 1;
      text = PX_timestamp2string(doc, number, "Y-m-d H:i:s");
      fputs(text, stdout);
      break;
    case pxfLogical:
      if (PX_get_data_byte(doc, data, 1, &byte) <= 0) return 0;
      return fputs(byte ? "TRUE" : "FALSE", stdout) >= 0;
    default:
      fprintf(stderr, "field type %d not handled\n", type);
      failures++;
      return 0;
  }
  doc->free(doc, text);
  return 1;
}

/* Opens the .MB file as PX_open_blob_fp does, less the list of its blocks
 * that function builds for writing: Debian's pxlib reads each block's head
 * there into a buffer shorter than what it reads and overruns its stack.
 * Reading a memo (PX_get_data_blob) goes by the record's pointer alone. */
static int OpenMemoFile(pxdoc_t *doc, const char *path) {
  FILE *file = fopen(path, "rb");
  if (file == NULL) return -1;
  pxblob_t *blob = PX_new_blob(doc);
  pxstream_t *stream = calloc(1, sizeof(pxstream_t));
  stream->type = pxfIOFile;
  stream->mode = pxfFileRead;
  stream->close = px_true;
  stream->s.fp = file;
  blob->read = (size_t(*)(pxblob_t *, pxstream_t *, size_t, void *))px_fread;
  blob->seek = (int (*)(pxblob_t *, pxstream_t *, long, int))px_fseek;
  blob->tell = (long (*)(pxblob_t *, pxstream_t *))px_ftell;
  blob->write = (size_t(*)(pxblob_t *, pxstream_t *, size_t, void *))px_fwrite;
  blob->mb_head = get_mb_head(blob, stream);
  if (blob->mb_head == NULL) return -1;
  blob->mb_stream = stream;
  blob->mb_name = strdup(path);
  return 0;
}

int main(int argc, char **argv) {
  if (argc < 2 || argc > 3) {
    fprintf(stderr, "usage: %s table.db [memo.mb]\n", argv[0]);
    return 2;
  }
  PX_boot();
  pxdoc_t *doc = PX_new2(OnError, NULL, NULL, NULL);
  if (PX_open_file(doc, argv[1]) < 0 || (argc == 3 && OpenMemoFile(doc, argv[2]) < 0)) {
    fprintf(stderr, "pxlib cannot open %s\n", argv[argc - 1]);
    return 1;
  }
  pxhead_t *head = doc->px_head;
  char code_page[16];
  snprintf(code_page, sizeof code_page, "CP%d",
           head->px_doscodepage ? head->px_doscodepage : 437);
  to_utf8 = iconv_open("UTF-8", code_page);
  if (to_utf8 == (iconv_t)-1) {
    fprintf(stderr, "no converter from %s\n", code_page);
    return 1;
  }
  fputs("table ", stdout);
  PrintText(head->px_tablename, strlen(head->px_tablename));
  printf(
      " version %d type %d codepage %d sortorder 0x%02x blocksize %d headersize %d "
      "records %d blocks %u\nfields",
      head->px_fileversion, head->px_filetype, head->px_doscodepage,
      (unsigned char)head->px_sortorder, head->px_maxtablesize * 1024,
      head->px_headersize, head->px_numrecords, head->px_fileblocks);
  static const char letters[] = "?ADSI$N??L??MBF?????T@+#"; /* by pxlib type */
  pxfield_t *fields = PX_get_fields(doc);
  int count = PX_get_num_fields(doc);
  for (int i = 0; i < count; ++i) {
    fputs(i == 0 ? " " : ", ", stdout);
    PrintText(fields[i].px_fname, strlen(fields[i].px_fname));
    int type = fields[i].px_ftype;
    printf(" %c %d", type < (int)sizeof letters ? letters[type] : '?', fields[i].px_flen);
  }
  putchar('\n');
  char *record = malloc((size_t)PX_get_recordsize(doc));
  for (int r = 0; r < PX_get_num_records(doc); ++r) {
    if (PX_get_record(doc, r, record) == NULL) {
      fprintf(stderr, "pxlib cannot read record %d\n", r);
      return 1;
    }
    fputs("row", stdout);
    for (int i = 0, offset = 0; i < count; offset += fields[i++].px_flen) {
      putchar('\t');
      char *data = record + offset;
      if (IsBlank(data, fields[i].px_flen) || !PrintValue(doc, &fields[i], data)) {
        fputs("\\N", stdout);
      }
    }
    putchar('\n');
  }
  free(record);
  iconv_close(to_utf8);
  PX_close(doc);
  PX_delete(doc);
  return failures == 0 ? 0 : 1;
}
