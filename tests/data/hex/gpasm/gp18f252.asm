; 16-bit program for the PIC18F252 with configuration bytes, some ID bytes and EE data whose byte
; pairs include FF 12 and 00 FF.
        processor 18f252
        include "p18f252.inc"
        errorlevel -302, -1301

        CONFIG  OSC = HS, WDT = OFF, LVP = OFF, BOR = ON, PWRT = ON
        __idlocs _IDLOC0, 0x1
        __idlocs _IDLOC1, 0x2
        __idlocs _IDLOC5, 0x6
        __idlocs _IDLOC7, 0x8

        org     0x0000
        goto    start
        org     0x0008
        retfie  FAST
start:  clrf    TRISB
        movlw   0x55
loop:   movwf   LATB
        comf    LATB, W
        bra     loop

        org     0x7FF0
        call    start

        org     0xF00000
        de      "EE", 0xFF, 0x12, 0x00, 0xFF
        end
