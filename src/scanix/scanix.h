/*
 * scanix.h - C interface of the Scanix field-splitting component (libscanix.so).
 *
 * Self-contained C (C99/C11 and C++), no other header of the project needed.
 * This is the automation layer: late-bound hosts create an object by
 * class name, invoke its IScanix operations by dispatch id, connect event sinks,
 * persist it, and (un)register the component.
 *
 * Texts cross this interface as null-terminated UTF-16 (char16_t). The library
 * copies every text passed in; the caller keeps owning its own. A text that the
 * library returns (a scanix_variant of type SCANIX_VT_TEXT) is owned by the caller
 * and freed with scanix_variant_clear() (or scanix_text_free()).
 */
#ifndef SCANIX_H
#define SCANIX_H

#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
#include <uchar.h> /* char16_t */
#endif

#if defined(_WIN32)
#define SCANIX_API
#elif defined(__GNUC__)
#define SCANIX_API __attribute__((visibility("default")))
#else
#define SCANIX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- identity --------------------------------------------------------------- */
#define SCANIX_CLASS_NAME     "ScanixLibCtl.Scanix"
#define SCANIX_PROGID         "Tabulon.Tabulon.1"
#define SCANIX_PROGID_VI      "Tabulon.Tabulon"
#define SCANIX_CLSID_STR      "{6D1F0A3E-5B7C-4E21-9A84-3C52E7B19D40}"
#define SCANIX_LIBID_STR      "{6D1F0A3F-5B7C-4E21-9A84-3C52E7B19D40}"
#define SCANIX_IID_ISCANIX    "{6D1F0A40-5B7C-4E21-9A84-3C52E7B19D40}"
#define SCANIX_DIID_EVENTS    "{6D1F0A41-5B7C-4E21-9A84-3C52E7B19D40}"
#define SCANIX_MISC_STATUS    132497
#define SCANIX_VERSION_VALUE  700
/* Environment variable that overrides the component registry file's location. */
#define SCANIX_REGISTRY_ENV   "SCANIX_REGISTRY"

/* ---- return codes ------------------------------------------------------------ */
#define SCANIX_OK                      0
#define SCANIX_E_INVALID_PROPERTY_VALUE 380 /* enumeration value out of range      */
#define SCANIX_E_GET_NOT_SUPPORTED     394  /* run-time-only property read at design time */
#define SCANIX_E_MEMBER_NOT_FOUND      (-1) /* unknown dispatch id or name           */
#define SCANIX_E_BAD_FLAGS             (-2) /* flags do not fit the operation        */
#define SCANIX_E_BAD_PARAM_COUNT       (-3) /* wrong number of arguments             */
#define SCANIX_E_TYPE_MISMATCH         (-4) /* an argument cannot be converted       */
#define SCANIX_E_OVERFLOW              (-5) /* an argument is out of its type's range */
#define SCANIX_E_INVALID_ARG           (-6) /* null pointer or invalid value         */
#define SCANIX_E_OUT_OF_MEMORY         (-7)
#define SCANIX_E_NO_CLASS              (-8) /* scanix_create: unknown class name     */
#define SCANIX_E_FORMAT                (-9) /* persisted data is malformed           */
#define SCANIX_E_IO                    (-10)/* file or storage could not be read/written */
#define SCANIX_E_NOT_FOUND             (-11)/* cookie or key not found               */
#define SCANIX_E_RELEASED              (-12)/* object released inside one of its events */

/* ---- invoke flags -------------------------------------------------------------- */
#define SCANIX_DISPATCH_METHOD      1
#define SCANIX_DISPATCH_PROPERTYGET 2
#define SCANIX_DISPATCH_PROPERTYPUT 4

/* ---- dispatch ids of IScanix ---------------------------------------- */
#define SCANIX_DISPID_ABOUTBOX     (-552)
#define SCANIX_DISPID_L            0
#define SCANIX_DISPID_FILENAME     1
#define SCANIX_DISPID_FS           3
#define SCANIX_DISPID_CASE         4
#define SCANIX_DISPID_ACTION       5
#define SCANIX_DISPID_ERROR        6
#define SCANIX_DISPID_RN           7
#define SCANIX_DISPID_NF           8
#define SCANIX_DISPID_PERCENTDONE  9
#define SCANIX_DISPID_CURRPOS      10
#define SCANIX_DISPID_MATCHQUOTES  11
#define SCANIX_DISPID_FILETYPE     12
#define SCANIX_DISPID_FILTERQUOTES 13
#define SCANIX_DISPID_VAL          14
#define SCANIX_DISPID_VERSION      15
#define SCANIX_DISPID_FINDLINE     16
#define SCANIX_DISPID_F            17
#define SCANIX_DISPID_FIELDAT      18
#define SCANIX_DISPID_POSAT        19
#define SCANIX_DISPID_ANGLEUNITS   20
#define SCANIX_DISPID_EVAL         21

/* ---- enumerations ---------------------------------------------------------------- */
enum { SCANIX_csNone = 0, SCANIX_csUpper = 1, SCANIX_csLower = 2 };
enum { SCANIX_acScan = 0, SCANIX_acNextLine = 1, SCANIX_acClose = 2 };
enum { SCANIX_ftText = 0, SCANIX_ftBinary = 1, SCANIX_ftUnicode = 2, SCANIX_ftANSI = 3 };
enum { SCANIX_auRadians = 0, SCANIX_auDegrees = 1 };
enum {
  SCANIX_aerNone = 0, SCANIX_aerCantOpen = 1, SCANIX_aerLineTooLong = 2,
  SCANIX_aerFieldTooLong = 3, SCANIX_aerBadFieldGet = 4, SCANIX_aerBadFieldSet = 5,
  SCANIX_aerSyntax = 6, SCANIX_aerBadToken = 7, SCANIX_aerBalance = 8,
  SCANIX_aerDivBy0 = 9, SCANIX_aerDomain = 10, SCANIX_aerSingularity = 11,
  SCANIX_aerOverflow = 12, SCANIX_aerPartialLoss = 13, SCANIX_aerTotalLoss = 14,
  SCANIX_aerUnderflow = 15
};

/* ---- variants ---------------------------------------------------------------------- */
#define SCANIX_VT_EMPTY 0
#define SCANIX_VT_I2    2
#define SCANIX_VT_I4    3
#define SCANIX_VT_R8    5
#define SCANIX_VT_TEXT  8  /* null-terminated UTF-16 */
#define SCANIX_VT_BOOL  11 /* 0 false, -1 true */

typedef struct scanix_variant {
  uint16_t vt;
  union {
    int16_t i2;
    int32_t i4;
    double r8;
    char16_t *bstr;
    int16_t boolean;
  } u;
} scanix_variant;

/* Frees a text the library returned (vt 8) and leaves the variant empty. */
SCANIX_API void scanix_variant_clear(scanix_variant *v);
/* Length in UTF-16 units of a text the library returned (O(1)); not for the caller's own texts.
 * A returned text may hold U+0000 units (a file line with NUL bytes): this gives its full length. */
SCANIX_API uint32_t scanix_text_length(const char16_t *library_text);
/* Frees a text the library returned. */
SCANIX_API void scanix_text_free(char16_t *library_text);

/* ---- objects --------------------------------------------------------------------------- */
typedef struct scanix scanix;

/* class_name: "ScanixLibCtl.Scanix", "Tabulon.Tabulon", "Tabulon.Tabulon.1" or the class id. */
SCANIX_API int scanix_create(const char *class_name, scanix **out);
/* Destroys the object (closes an open file). Safe inside one of its own events:
 * destruction is then deferred until the outermost call returns. */
SCANIX_API void scanix_release(scanix *obj);

SCANIX_API int scanix_invoke(scanix *obj, int32_t dispid, uint16_t flags,
                             const scanix_variant *args, uint32_t nargs,
                             scanix_variant *result);
/* Case-insensitive member name to dispatch id. */
SCANIX_API int scanix_get_dispid(scanix *obj, const char16_t *name, int32_t *dispid);

/* ---- events (_ScanixEvents) -------------------------------------------------------------- */
typedef struct scanix_events {
  void *context;
  void (*begin)(void *context);
  void (*scan)(void *context);
  void (*end)(void *context);
  void (*error)(void *context);
  void (*variable)(void *context, const char16_t *name, double *value, int16_t *accept);
} scanix_events;

/* The sink is copied; any callback may be null. Sinks are fired in connection order. */
SCANIX_API int scanix_advise(scanix *obj, const scanix_events *sink, uint32_t *cookie);
SCANIX_API int scanix_unadvise(scanix *obj, uint32_t cookie);

/* Property-change notification: changed(context, dispid) after a put that marks the control changed. */
typedef void (*scanix_changed_fn)(void *context, int32_t dispid);
SCANIX_API int scanix_advise_property_changes(scanix *obj, scanix_changed_fn changed,
                                              void *context, uint32_t *cookie);
SCANIX_API int scanix_unadvise_property_changes(scanix *obj, uint32_t cookie);

/* Ambient user mode of the host: on (1) unless a host turns it off (0 = design time). */
SCANIX_API int scanix_set_user_mode(scanix *obj, int user_mode);

/* ---- persistence ----------------------------------------------------------------------------- */
/* Changed flag: 1 when the control needs saving, 0 when not, negative on error. */
SCANIX_API int scanix_is_dirty(scanix *obj);
/* Resets every persisted property to its initial value (a new control). */
SCANIX_API int scanix_init_new(scanix *obj);

/* Stream form (exact byte layout). *data is allocated by the library: scanix_free(). */
SCANIX_API int scanix_save_stream(scanix *obj, int clear_dirty, void **data, size_t *size);
SCANIX_API int scanix_load_stream(scanix *obj, const void *data, size_t size);
SCANIX_API int scanix_get_size_max(scanix *obj, uint64_t *size);
SCANIX_API void scanix_free(void *data);

/* Property-bag form. write: return 0 on success, non-zero aborts the save (that code is returned
 * when negative, SCANIX_E_IO otherwise). read: fill *value and return 0 when present, return 1 when
 * the property is absent (its current value is kept), a negative code aborts the load. A text put
 * into *value by read stays owned by the caller. */
typedef int (*scanix_bag_write_fn)(void *context, const char16_t *name, const scanix_variant *value);
typedef int (*scanix_bag_read_fn)(void *context, const char16_t *name, scanix_variant *value);
SCANIX_API int scanix_save_property_bag(scanix *obj, scanix_bag_write_fn write, void *context,
                                        int clear_dirty);
SCANIX_API int scanix_load_property_bag(scanix *obj, scanix_bag_read_fn read, void *context);

/* Whole-storage form. A storage is a directory; each stream is a file in it. The control keeps its
 * data in the stream "Contents" (storage_path/Contents) in the stream form above. Save creates the
 * directory when missing. */
SCANIX_API int scanix_save_storage(scanix *obj, const char *storage_path, int clear_dirty);
SCANIX_API int scanix_load_storage(scanix *obj, const char *storage_path);

/* ---- registration ------------------------------------------------------------------------------ */
/* Records/removes the component in the component registry file: $SCANIX_REGISTRY when set, else
 * ${XDG_CONFIG_HOME:-$HOME/.config}/sqlvigil/components.reg. */
SCANIX_API int scanix_register_server(void);
SCANIX_API int scanix_unregister_server(void);
/* The registry file path in use (static storage, valid until the next call). */
SCANIX_API const char *scanix_registry_path(void);
/* Path of the loaded libscanix.so (static storage). */
SCANIX_API const char *scanix_module_path(void);
/* Machine-readable type description (JSON) of IScanix, _ScanixEvents and the enumerations. */
SCANIX_API const char *scanix_type_description(void);
/* Display text of an AwkErrorSettings code (UTF-8, static), or null. */
SCANIX_API const char *scanix_error_text(int code);

#ifdef __cplusplus
}
#endif
#endif /* SCANIX_H */
