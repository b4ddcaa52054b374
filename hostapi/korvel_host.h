/*
 * The contract between the waveform viewer (the host) and a file-format
 * plug-in such as korvelSC.
 *
 * The host loads the plug-in, calls its one export korvelSC_Init with the
 * host's Tcl interpreter, and the plug-in registers each format it serves by
 * handing a FormatDescriptor to PfFormat_CreateExternalFormat. From then on
 * the host drives the plug-in only through the seven callbacks of the
 * descriptor, and the plug-in hands waveforms back through the WfX_ builder
 * functions. The host owns every answer string and every waveform it
 * receives; the descriptor is never released.
 *
 * Every declaration has C linkage. The host functions are resolved from the
 * process that loads the plug-in; the plug-in does not link them.
 */
#ifndef KORVEL_HOSTAPI_KORVEL_HOST_H
#define KORVEL_HOSTAPI_KORVEL_HOST_H

#include <stdint.h>
#include <tcl.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque handle of a waveform being built by the host. */
typedef void *WaveformHandle;

/* The answer record of every property callback. The plug-in initialises
 * `answer` itself, appends the answer and sets resultKind; the host reads
 * and frees `answer`. hostReserved belongs to the host alone. */
typedef struct PropertyResult {
  Tcl_DString answer;
  int32_t hostReserved;
  int32_t resultKind;
} PropertyResult;

/* The resultKind of a property callback that answered. */
enum KorvelResultKind { kAnsweredResultKind = 7 };

/* The data type codes of WfX_Create. */
enum KorvelDataType { kDataTypeReal = 1, kDataTypeComplex = 4 };

/* The waveform property codes of WfX_SetWfProp. */
enum KorvelWaveformProperty {
  kPropertyPowerRatio = 1, /* "1" for gains and noise figures */
  kPropertyXDisplay = 2,   /* how the host shows x */
  kPropertyYDisplay = 3    /* how the host shows y */
};

typedef int (*FormatPropertyProc)(Tcl_Interp *, const char *option, PropertyResult *);
typedef int (*OpenFileProc)(Tcl_Interp *, const char *path, void **dataSet);
typedef int (*CloseFileProc)(Tcl_Interp *, void *dataSet);
typedef int (*FilePropertyProc)(Tcl_Interp *, void *dataSet, const char *option, PropertyResult *);
typedef int (*WaveformPropertyProc)(Tcl_Interp *, void *dataSet, const char *name, const char *option,
                                    PropertyResult *);
typedef int (*LoadWaveformProc)(Tcl_Interp *, void *dataSet, const char *name, WaveformHandle *out);
typedef int (*LoadWaveformListProc)(Tcl_Interp *, void *dataSet, const char *nameList, void *unused,
                                    WaveformHandle *out);

/* One registered format: its name, the blank-separated glob patterns of the
 * file names it serves, and the seven callbacks in slot order. */
typedef struct FormatDescriptor {
  const char *formatName;
  const char *filePatterns;
  FormatPropertyProc formatProperty;     /* slot 1 */
  OpenFileProc openFile;                 /* slot 2 */
  CloseFileProc closeFile;               /* slot 3 */
  FilePropertyProc fileProperty;         /* slot 4 */
  WaveformPropertyProc waveformProperty; /* slot 5 */
  LoadWaveformProc loadWaveform;         /* slot 6 */
  LoadWaveformListProc loadWaveformList; /* slot 7 */
} FormatDescriptor;

/* Host side: registration and the waveform builder. */
int PfFormat_CreateExternalFormat(Tcl_Interp *, FormatDescriptor *);
WaveformHandle WfX_Create(Tcl_Interp *, int dataType, const char *xName, const char *xUnit, int xFlag,
                          const char *yName, const char *yUnit, int yFlag);
int WfX_SetWfProp(Tcl_Interp *, WaveformHandle, int property, const char *value);
int WfX_AddNumberParameter(Tcl_Interp *, WaveformHandle, const char *name, const char *unit, int count,
                           const double *values);
int WfX_AddValues(Tcl_Interp *, WaveformHandle, const double *x, const double *y, int count);
int WfX_NextParameterValue(Tcl_Interp *, WaveformHandle);
int WfX_Done(Tcl_Interp *, WaveformHandle);

/* Plug-in side: the one export. */
int korvelSC_Init(Tcl_Interp *); /* the plug-in's export, C linkage */

#ifdef __cplusplus
}
#endif

#endif /* KORVEL_HOSTAPI_KORVEL_HOST_H */
