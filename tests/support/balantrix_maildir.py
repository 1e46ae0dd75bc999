"""The test SMTP server's side in Python: the aiosmtpd handler it runs, and the readers
of the Maildir it fills.

    python3 balantrix_maildir.py MODE MAILDIR

MODE:
  mensagem    the one message: headers, plain body and attachments, "key<TAB>value" lines
  cabecalhos  the one message parsed strictly: its From mailboxes, Subject, the number of
              Cc addresses, defects, the longest header line (the server's own X- lines
              left out), how many of the program's own headers pass 78 characters (the
              mail library's multipart boundary line is its own), the longest encoded-word
  anexos      one line per attachment of every message, in file order:
              "To<TAB>file name<TAB>text of the PDF"
"""
import email
import email.policy
import glob
import re
import subprocess
import sys

from aiosmtpd.handlers import Mailbox


class MailboxRecusa(Mailbox):
    """Maildir handler that refuses, at RCPT TO, the addresses listed in a file (read at
    every recipient, so a test can change it while the server runs)."""

    def __init__(self, mail_dir, lista):
        super().__init__(mail_dir)
        self.lista = lista

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        try:
            with open(self.lista, encoding='utf-8') as f:
                recusados = {l.strip().lower() for l in f if l.strip()}
        except FileNotFoundError:
            recusados = set()
        if address.lower() in recusados:
            return '550 5.1.1 <%s>: Recipient address rejected: User unknown' % address
        envelope.rcpt_tos.append(address)
        return '250 OK'

    @classmethod
    def from_cli(cls, parser, *args):
        return cls(args[0], args[1])


def mensagem(maildir):
    files = glob.glob(maildir + '/new/*')
    print('count\t%d' % len(files))
    msg = email.message_from_binary_file(open(files[0], 'rb'), policy=email.policy.default)
    for h in ('To', 'Cc', 'Bcc', 'From', 'Subject', 'X-RcptTo', 'Date', 'Message-ID'):
        print('%s\t%s' % (h, msg.get(h, '')))
    print('Body\t%s' % msg.get_body(('plain',)).get_content().strip().replace('\n', '|'))
    for part in msg.iter_attachments():
        data = part.get_content()
        print('Attachment\t%s\t%d\t%s' % (part.get_filename(), len(data), data[:5].decode('latin-1')))


def cabecalhos(maildir):
    raw = open(glob.glob(maildir + '/new/*')[0], 'rb').read().replace(b'\r\n', b'\n')
    msg = email.message_from_bytes(raw, policy=email.policy.strict)
    longest, over, name = 0, 0, b''
    for line in raw.split(b'\n\n', 1)[0].split(b'\n'):
        if line[:1] not in (b' ', b'\t'):
            name = line.split(b':', 1)[0]
        if name.startswith(b'X-'):
            continue
        longest = max(longest, len(line))
        over += len(line) > 78 and name in (b'From', b'To', b'Cc', b'Subject', b'Date', b'Message-ID')
    frm = msg['From']
    defects = len(msg.defects) + sum(len(msg[h].defects) for h in ('From', 'To', 'Subject'))
    print('from_count\t%d' % len(frm.addresses))
    print('from_name\t%s' % frm.addresses[0].display_name)
    print('from_addr\t%s' % frm.addresses[0].addr_spec)
    print('subject\t%s' % msg['Subject'])
    print('cc\t%d' % (len(msg['Cc'].addresses) if msg['Cc'] else 0))
    print('defects\t%d' % defects)
    print('longest\t%d' % longest)
    print('over78\t%d' % over)
    words = re.findall(rb'=\?[^?\s]+\?[BbQq]\?[^?\s]*\?=', raw.split(b'\n\n', 1)[0])
    print('longest_word\t%d' % max([len(w) for w in words] + [0]))


def anexos(maildir):
    for f in sorted(glob.glob(maildir + '/new/*')):
        msg = email.message_from_binary_file(open(f, 'rb'), policy=email.policy.default)
        for part in msg.iter_attachments():
            text = subprocess.run(['pdftotext', '-', '-'], input=part.get_content(), capture_output=True).stdout
            print('%s\t%s\t%s' % (msg['To'], part.get_filename(), text.decode('utf-8').replace('\n', ' ')))


if __name__ == '__main__':
    {'mensagem': mensagem, 'cabecalhos': cabecalhos, 'anexos': anexos}[sys.argv[1]](sys.argv[2])
