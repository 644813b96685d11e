/* A broken HID library for the binding tests: every name but RequestStatusGet
 * (and the ones after it) is present. */
#include <stdint.h>

int Debug(int level) { return level; }
int Init(int flags) { return flags == 0 ? 1 : 0; }
int End(void) { return 1; }
int RequestGetDeviceCount(const void* f, void* c, uint32_t t, uint32_t u, uint32_t* i) {
    (void)f, (void)c, (void)t, (void)u, (void)i;
    return 0;
}
int DeleteRequestFromUnitId(uint32_t id) { return id != 0; }
int DeleteRequestFromHandle(void* c) { return c != 0; }
int RequestWrite(const void* f, void* c, uint32_t t, const uint8_t* d, uint32_t l, uint32_t u,
                 uint32_t* i) {
    (void)f, (void)c, (void)t, (void)d, (void)l, (void)u, (void)i;
    return 0;
}
int RequestWriteOne(const void* f, void* c, uint32_t t, const uint8_t* d, uint32_t l, uint32_t u,
                    uint32_t* i) {
    (void)f, (void)c, (void)t, (void)d, (void)l, (void)u, (void)i;
    return 0;
}
int RequestStatusWrite(const void* f, void* c, uint32_t t, const uint8_t* d, uint32_t l,
                       uint32_t u, uint32_t* i) {
    (void)f, (void)c, (void)t, (void)d, (void)l, (void)u, (void)i;
    return 0;
}
int RequestAsyncRead(const void* f, void* c, uint32_t t, uint32_t u, uint32_t* i) {
    (void)f, (void)c, (void)t, (void)u, (void)i;
    return 0;
}
int RequestStatusSetFeature(const void* f, void* c, uint32_t t, const uint8_t* d, uint32_t l,
                            uint32_t u, uint32_t* i) {
    (void)f, (void)c, (void)t, (void)d, (void)l, (void)u, (void)i;
    return 0;
}
uint32_t QuellixAbiVersion(void) { return 1u; }
