; Blinks an LED on RB0 of a PIC16F628A running from its 4 MHz internal
; oscillator. Carries configuration word, ID locations and EEPROM data, so
; it exercises every region a PIC12/16 slot holds.
        list    p=16f628a
        errorlevel -302
        include <p16f628a.inc>

        __config _INTOSC_OSC_NOCLKOUT & _WDT_OFF & _PWRTE_ON & _MCLRE_ON & _BOREN_ON & _LVP_OFF & _CP_OFF
        __idlocs 0x1234

count1  equ     0x20
count2  equ     0x21

        org     0x000
        goto    start

        org     0x004
        retfie

start:
        movlw   0x07
        movwf   CMCON           ; comparators off, PORTA digital
        bsf     STATUS, RP0
        clrf    TRISB           ; PORTB all outputs
        bcf     STATUS, RP0
loop:
        movlw   0x01
        xorwf   PORTB, f        ; toggle RB0
        call    delay
        goto    loop

delay:
        clrf    count1
        clrf    count2
d1:     decfsz  count1, f
        goto    d1
        decfsz  count2, f
        goto    d1
        return

        org     0x2100          ; data EEPROM
        de      "Velmar", 0x00, 0x2A

        end
