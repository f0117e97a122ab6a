"""A self-signed certificate for the test servers (FTP and SMTP) on 127.0.0.1."""
import datetime
import os


def make_certificate(folder):
    """A self-signed certificate and its key in one PEM file; returns the path and its fingerprint.

    An elliptic-curve key: made at once, where an RSA key takes seconds on a busy machine."""
    from cryptography import x509
    from cryptography.hazmat.primitives import hashes, serialization
    from cryptography.hazmat.primitives.asymmetric import ec
    from cryptography.x509.oid import NameOID

    key = ec.generate_private_key(ec.SECP256R1())
    name = x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, "localhost")])
    now = datetime.datetime.now(datetime.timezone.utc)
    cert = (x509.CertificateBuilder().subject_name(name).issuer_name(name).public_key(key.public_key())
            .serial_number(1).not_valid_before(now - datetime.timedelta(minutes=1))
            .not_valid_after(now + datetime.timedelta(days=1)).sign(key, hashes.SHA256()))
    path = os.path.join(folder, "server.pem")
    with open(path, "wb") as pem:
        pem.write(cert.public_bytes(serialization.Encoding.PEM))
        pem.write(key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                    serialization.NoEncryption()))
    fingerprint = cert.fingerprint(hashes.SHA256()).hex().upper()
    return path, ":".join(fingerprint[i:i + 2] for i in range(0, len(fingerprint), 2))
