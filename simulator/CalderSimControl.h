/* Control interface of the simulated driver library (libcalder-simdriver).
 *
 * Plain C. Tests resolve these names with dlsym/GetProcAddress from the same loaded library
 * the panel uses, so the functions act on the simulator the panel is talking to. The
 * command-line tool reaches the same functions through CalderSim_Command over a local socket.
 *
 * Device indexes below are positions in the list of devices plugged in now, in plug order.
 * They are not the driver's enumeration indexes: TUSBAUDIO_EnumerateDevices takes a snapshot
 * of this list and TUSBAUDIO_OpenDeviceByIndex indexes that snapshot, as a real driver does.
 *
 * Functions returning int32_t give a negative value for a bad argument (unknown model or
 * operation name, index out of range) and 0 or a documented non-negative value otherwise.
 */
#ifndef CALDER_SIM_CONTROL_H
#define CALDER_SIM_CONTROL_H

#include <stdint.h>

#if defined(_WIN32)
#if defined(CALDER_SIM_BUILDING)
#define CALDER_SIM_API __declspec(dllexport)
#else
#define CALDER_SIM_API __declspec(dllimport)
#endif
#else
#define CALDER_SIM_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes the simulated library reports besides those of the driver interface. */
#define CALDER_SIM_STATUS_NOT_IMPLEMENTED   0xEE000001u /* the 37 entry points the panel never calls */
#define CALDER_SIM_STATUS_INVALID_HANDLE    0xEE000003u /* null, closed or never issued handle */
#define CALDER_SIM_STATUS_INVALID_PARAMETER 0xEE000005u /* null pointer, bad direction, unknown id */
#define CALDER_SIM_STATUS_INVALID_INDEX     0xEE000006u /* no device or channel at that index */
#define CALDER_SIM_STATUS_NOT_SUPPORTED     0xEE000008u /* the control or list does not exist */
#define CALDER_SIM_STATUS_DEVICE_GONE       0xEE000010u /* the device was unplugged */
#define CALDER_SIM_STATUS_REQUEST_STALLED   0xEE000040u /* the mixer refused a vendor request */

/* ---- Device list -------------------------------------------------------------------- */

/* Models: alto, tenor, basso, v21, v22, unknown, foreign, usbmode1. */

/* Replaces all devices with the comma-separated models (NULL: the CALDER_SIM_DEVICES
 * variable, or one alto when it is unset; "" none). Also clears faults, delays, call counts,
 * the request logs and the ASIO and driver settings, re-reads CALDER_SIM_API_VERSION, and
 * takes a fresh enumeration snapshot. PnP registrations stay; no event is signalled.
 * Returns the number of devices, or -1 (and changes nothing) when a model is unknown. */
CALDER_SIM_API int32_t CalderSim_Reset(const char *devices);
/* Plugs in a new device of the model and signals the arrival event. Returns its index. */
CALDER_SIM_API int32_t CalderSim_Plug(const char *model);
/* Removes the device and signals the removal event. Its handles fail from now on and calls
 * blocked on it by an injected delay return CALDER_SIM_STATUS_DEVICE_GONE at once. */
CALDER_SIM_API int32_t CalderSim_Unplug(uint32_t index);
/* Devices plugged in now. */
CALDER_SIM_API uint32_t CalderSim_DeviceCount(void);
/* Queues a notification for every handle of the device registered for notifications and
 * signals their events. Returns the number of handles notified. */
CALDER_SIM_API int32_t CalderSim_Notify(uint32_t index);
/* Open handles on the device (not closed yet). */
CALDER_SIM_API int32_t CalderSim_OpenHandleCount(uint32_t index);

/* ---- Device identity ---------------------------------------------------------------- */

CALDER_SIM_API int32_t CalderSim_SetDeviceIds(uint32_t index, uint32_t vendorId, uint32_t productId, uint32_t revision);
/* UTF-8; NULL keeps a string. A string of 128 UTF-16 units or more fills its field without a
 * terminator (to exercise readers' bounds). */
CALDER_SIM_API int32_t CalderSim_SetDeviceStrings(uint32_t index, const char *serialNumber, const char *manufacturer,
                                                  const char *product);
CALDER_SIM_API int32_t CalderSim_SetUsbMode(uint32_t index, uint32_t mode);
CALDER_SIM_API int32_t CalderSim_SetSampleRate(uint32_t index, uint32_t hz);

/* ---- Mixer: vendor requests, meter, debug status ------------------------------------ */

typedef struct CalderSimRequest
{
    uint32_t direction; /* 0 out (ClassVendorRequestOut), 1 in */
    uint32_t recipient;
    uint32_t recipientIndex;
    uint32_t request; /* 0x10 parameter write or meter read, 0x11 debug read */
    uint32_t value;
    uint32_t index;
    uint32_t length; /* dataLength as passed */
    uint32_t timeoutMs;
    uint32_t status; /* what the call returned */
    uint8_t data[8]; /* out: the first 8 bytes sent; in: the reply (zero when failed) */
} CalderSimRequest;

/* Every vendor request made on the device's handles, in call order, including failed ones. */
CALDER_SIM_API int32_t CalderSim_RequestCount(uint32_t index);
CALDER_SIM_API int32_t CalderSim_GetRequest(uint32_t index, uint32_t n, CalderSimRequest *out);
CALDER_SIM_API int32_t CalderSim_ClearRequests(uint32_t index);

/* What the successful parameter writes left in the mixer. */
#define CALDER_SIM_MAX_ROUTING 16
typedef struct CalderSimMixerState
{
    uint32_t routingWrites;                   /* 0x0400 writes so far */
    uint32_t routing[CALDER_SIM_MAX_ROUTING]; /* the last ones (at most 16), oldest first */
    uint32_t duckerOn;                        /* 0x0280 byte 4 */
    uint32_t triggerMask;                     /* 0x0280 byte 5 */
    uint32_t releaseMs;                       /* 0x0280 bytes 6-7 */
    uint32_t rangeValue;                      /* 0x0281 raw value */
    uint32_t sensitivityValue;                /* 0x0282 raw value */
    uint32_t attackMs;                        /* 0x0283 high half */
    uint32_t holdMs;                          /* 0x0283 low half */
    uint32_t writtenMask;                     /* bit 0: 0x0400, bits 1-4: 0x0280..0x0283 seen */
    uint32_t unknownWrites;                   /* writes of other parameter ids */
} CalderSimMixerState;
CALDER_SIM_API int32_t CalderSim_GetMixerState(uint32_t index, CalderSimMixerState *out);

/* Meter read (request 0x10 in): a constant level, or a test signal. */
#define CALDER_SIM_METER_CONSTANT   0u /* the level of CalderSim_SetMeterLevel */
#define CALDER_SIM_METER_SINE       1u /* level swings between -60 and 0 dBFS over the period */
#define CALDER_SIM_METER_RAMP       2u /* level climbs from -60 to 0 dBFS over the period, then restarts */
#define CALDER_SIM_METER_ALTERNATE  3u /* each read alternates between full scale and 0 */
#define CALDER_SIM_METER_FULL_SCALE 8388608
CALDER_SIM_API int32_t CalderSim_SetMeterLevel(uint32_t index, int32_t level);
CALDER_SIM_API int32_t CalderSim_SetMeterSignal(uint32_t index, uint32_t kind, uint32_t periodMs);

/* Debug status read (request 0x11 in). NULL: live values that change over time (id =
 * product id, mux0/mux1 = the last two routing values, adc and tempo moving, fx = ducker
 * on, constant 0x5A). Non-null: those 8 bytes are returned until the next call. */
CALDER_SIM_API int32_t CalderSim_SetDebugStatus(uint32_t index, const uint8_t *block8);

/* ---- Driver-wide settings ------------------------------------------------------------ */

/* TUSBAUDIO_GetApiVersion / CheckApiVersion (default 5.2 or CALDER_SIM_API_VERSION). */
CALDER_SIM_API int32_t CalderSim_SetApiVersion(uint32_t major, uint32_t minor);
/* The 64-byte driver record: words at 8, 12, 16 and flags at 20 (bit 0: debug build). */
CALDER_SIM_API int32_t CalderSim_SetDriverInfo(uint32_t major, uint32_t minor, uint32_t subVersion, uint32_t flags);

/* ASIO instance 0 (present while at least one device is plugged). Sizes beyond 40 are not
 * stored, but `count` is reported as given, so readers' bounds can be tested. */
CALDER_SIM_API int32_t CalderSim_SetAsio(const uint32_t *sizes, uint32_t count, uint32_t currentSize, uint32_t flags);
CALDER_SIM_API int32_t CalderSim_GetAsio(uint32_t *currentSize, uint32_t *flags);
CALDER_SIM_API uint32_t CalderSim_AsioInstanceWord(void);

/* ---- Streaming: client info and stream formats (direction 1 input, 0 output) ---------- */

CALDER_SIM_API int32_t CalderSim_SetClientInfo(uint32_t index, uint32_t streamingState, uint32_t wdmClients,
                                               uint32_t asioClients);

typedef struct CalderSimFormat
{
    uint32_t id;
    uint32_t bits;
    uint32_t channels;
} CalderSimFormat;
/* Up to 64 formats; more than the caller's table capacity gives 0xEE000034 with the table
 * filled. The current format is kept even when no listed format has its id. */
CALDER_SIM_API int32_t CalderSim_SetStreamFormats(uint32_t index, uint32_t direction, const CalderSimFormat *formats,
                                                  uint32_t count);
CALDER_SIM_API int32_t CalderSim_SetCurrentFormat(uint32_t index, uint32_t direction, uint32_t formatId);
/* Current format id, or -1. */
CALDER_SIM_API int32_t CalderSim_GetCurrentFormat(uint32_t index, uint32_t direction);
CALDER_SIM_API int32_t CalderSim_SetSelectionMode(uint32_t index, uint32_t mode);

/* ---- Volume and mute, channel names (channel 0 = master) ----------------------------- */

#define CALDER_SIM_VOLUME_CONTROL 1u
#define CALDER_SIM_MUTE_CONTROL   2u
typedef struct CalderSimChannel
{
    uint32_t flags;  /* CALDER_SIM_VOLUME_CONTROL | CALDER_SIM_MUTE_CONTROL */
    int16_t minimum; /* 1/256 dB */
    int16_t maximum;
    int16_t resolution;
    int16_t volume;
    uint32_t mute;
} CalderSimChannel;
/* Channels per direction besides the master. New channels get volume and mute controls,
 * -60..0 dB and the name "Input n"/"Output n". Stream formats are not changed. */
CALDER_SIM_API int32_t CalderSim_SetChannelCount(uint32_t index, uint32_t direction, uint32_t count);
CALDER_SIM_API int32_t CalderSim_GetChannelCount(uint32_t index, uint32_t direction);
CALDER_SIM_API int32_t CalderSim_SetChannel(uint32_t index, uint32_t direction, uint32_t channel,
                                            const CalderSimChannel *channelState);
CALDER_SIM_API int32_t CalderSim_GetChannel(uint32_t index, uint32_t direction, uint32_t channel,
                                            CalderSimChannel *out);
/* UTF-8; 160 UTF-16 units or more fill the field without a terminator. */
CALDER_SIM_API int32_t CalderSim_SetChannelName(uint32_t index, uint32_t direction, uint32_t channel, const char *name);

/* ---- Fault injection and call counting ----------------------------------------------- */

/* `op` is an entry point name with or without the "TUSBAUDIO_" prefix, or "*" for all.
 * count < 0: until cleared; count > 0: the next `count` calls; status 0 / ms 0 removes.
 * A failing call does nothing but return the status (after any delay). A delay blocks the
 * caller without holding the simulator's lock; unplugging the device ends it early (unless it
 * was set with the tool's "delay OP MS COUNT stubborn"). */
CALDER_SIM_API int32_t CalderSim_SetFault(const char *op, uint32_t status, int32_t count);
CALDER_SIM_API int32_t CalderSim_SetDelay(const char *op, uint32_t ms, int32_t count);
CALDER_SIM_API void CalderSim_ClearFaults(void);
/* Calls of the entry point since the last reset (NULL or "*": all entry points). Failed
 * and rejected calls count too. */
CALDER_SIM_API uint32_t CalderSim_CallCount(const char *op);
CALDER_SIM_API void CalderSim_ResetCallCounts(void);

/* ---- Text interface ----------------------------------------------------------------- */

/* JSON dump of one device (index >= 0) or of the whole simulator (index < 0). Writes at most
 * capacity-1 bytes and a terminator; returns the full length (call again with more room). */
CALDER_SIM_API uint32_t CalderSim_GetState(int32_t index, char *buffer, uint32_t capacity);
/* Runs one command of the calder-sim tool ("plug tenor", "meter 0 sine", ...; "help" lists
 * them). The reply is written like CalderSim_GetState's; *replyLength gets its full length.
 * Returns 0 when the command succeeded, -1 otherwise (the reply then says why). */
CALDER_SIM_API int32_t CalderSim_Command(const char *line, char *reply, uint32_t capacity, uint32_t *replyLength);

#ifdef __cplusplus
}
#endif

#endif /* CALDER_SIM_CONTROL_H */
