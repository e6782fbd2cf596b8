; Blinks an LED on RB0 of a PIC18F46J50 running from its 8 MHz internal
; oscillator. The J parts have no configuration space of their own: the
; eight configuration bytes sit in the last eight bytes of program memory
; (0xFFF8-0xFFFF on this 64 KiB part), and there are no ID locations or data
; EEPROM, so the file holds program memory only.
        list    p=18f46j50
        errorlevel -302
        include <p18f46j50.inc>

        CONFIG  WDTEN = OFF, PLLDIV = 2, STVREN = ON, XINST = OFF, DEBUG = OFF
        CONFIG  CPUDIV = OSC1, CP0 = OFF
        CONFIG  OSC = INTOSC, T1DIG = OFF, LPT1OSC = OFF, FCMEN = OFF, IESO = OFF
        CONFIG  WDTPS = 32768
        CONFIG  DSWDTOSC = INTOSCREF, RTCOSC = T1OSCREF, DSBOREN = OFF
        CONFIG  DSWDTEN = OFF, DSWDTPS = G2
        CONFIG  IOL1WAY = OFF, MSSP7B_EN = MSK7
        CONFIG  WPFP = PAGE_63, WPEND = PAGE_WPFP, WPCFG = OFF, WPDIS = OFF

count1  equ     0x00            ; access RAM
count2  equ     0x01

        org     0x0000
        goto    start

        org     0x0008          ; high-priority interrupt vector
        retfie  FAST

        org     0x0018          ; low-priority interrupt vector
        retfie

start:
        movlw   0x70
        movwf   OSCCON, A       ; 8 MHz internal oscillator
        movlb   0x0F
        setf    ANCON0, BANKED  ; AN0-AN7 digital (ANCON0 is outside the access bank)
        setf    ANCON1, BANKED
        clrf    TRISB, A        ; PORTB all outputs
        clrf    LATB, A
loop:
        btg     LATB, 0, A      ; toggle RB0
        rcall   delay
        bra     loop

delay:
        clrf    count1, A
        clrf    count2, A
d1:     decfsz  count1, f, A
        bra     d1
        decfsz  count2, f, A
        bra     d1
        return

        end
