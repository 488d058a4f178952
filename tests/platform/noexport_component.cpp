// A shared library that is no server: it exports none of the server
// functions. Activation through it must fail with CO_E_ERRORINDLL, regsvr
// with its "not exported" status.

extern "C" __attribute__((visibility("default"))) int comTestNotAServer() {
    return 1;
}
